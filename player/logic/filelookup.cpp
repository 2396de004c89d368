// SPDX-License-Identifier: MIT
#include "filelookup.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace
{

// "*" any run of characters, "?" exactly one; everything else literally.
// Iterative with one backtrack point, so no pattern can take exponential time.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        // "*" first: a name may hold a "*" of its own, which must not use it up.
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool isOrdinaryFile(const QFileInfo& info)
{
    return info.isFile() && !info.fileName().startsWith(u'.');
}

} // namespace

std::optional<QString> findFirstFile(const QString& text)
{
    if (text.isEmpty() || text.contains(QChar(0)))
        return std::nullopt;
    const QFileInfo info(text);
    const QString pattern = info.fileName();
    if (pattern.isEmpty())
        return std::nullopt;

    if (!pattern.contains(u'*') && !pattern.contains(u'?')) {
        if (isOrdinaryFile(info))
            return pattern;
        return std::nullopt;
    }

    const QDir dir(info.path());
    QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::System);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const QString& name : names) {
        if (wildcardMatch(pattern, name) && isOrdinaryFile(QFileInfo(dir, name)))
            return name;
    }
    return std::nullopt;
}

QString joinArguments(const QStringList& arguments)
{
    return arguments.join(u' ');
}
