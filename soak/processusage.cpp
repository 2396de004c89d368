// SPDX-License-Identifier: MIT
#include "processusage.h"

#include <QDir>
#include <QFile>

ProcessUsage ProcessUsage::now()
{
    ProcessUsage usage;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 2)
                continue;
            if (fields[0] == "VmRSS:")
                usage.rssKb = fields[1].toLongLong();
            else if (fields[0] == "Threads:")
                usage.threads = fields[1].toInt();
        }
    }
    // The listing's own descriptor is counted too; it is there every time.
    usage.fds = int(QDir(QStringLiteral("/proc/self/fd"))
                        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                        .size());
    return usage;
}

QString ProcessUsage::toString() const
{
    return QStringLiteral("RSS %1 KB, %2 fds, %3 threads").arg(rssKb).arg(fds).arg(threads);
}

QMap<QString, qint64> ProcessUsage::residentByMapping()
{
    QMap<QString, qint64> resident;
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return resident;
    QString mapping;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.isEmpty() || fields[0].isEmpty())
            continue;
        if (fields[0].contains('-') && !fields[0].endsWith(':')) {
            // "start-end perms offset dev inode [name]"
            mapping = fields.size() > 5 ? QString::fromUtf8(fields.mid(5).join(' '))
                                        : QStringLiteral("anonymous");
        } else if (fields[0] == "Rss:" && fields.size() > 1) {
            resident[mapping] += fields[1].toLongLong();
        }
    }
    return resident;
}
