// SPDX-License-Identifier: MIT
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <limits>

namespace
{

// Settei.dat is one short line; anything larger than this is not ours, and
// reading only this much keeps a hostile file from costing memory.
constexpr qint64 kReadLimit = 64 * 1024;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

class Reader
{
public:
    Reader(const QByteArray& text, const QString& path) : m_text(text), m_path(path) {}

    // A value runs to the next blank, comma or line end. Blanks may follow it;
    // then a comma or a line end must come, except after the last value, where
    // whatever follows is ignored.
    template <typename Int> Int next(int field, bool last)
    {
        skipSeparators();
        if (m_pos >= m_text.size())
            throw SettingsError(m_path, QStringLiteral("ends before value %1 of 6").arg(field));
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && !isLineEnd(m_text[m_pos]) &&
               !isBlank(m_text[m_pos]))
            ++m_pos;
        const qsizetype end = m_pos;
        const Int value = parse<Int>(m_text.constData() + start, m_text.constData() + end, field);
        if (last)
            return value;
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == ',')
            ++m_pos;
        else if (m_pos < m_text.size() && !isLineEnd(m_text[m_pos]))
            throw SettingsError(m_path, QStringLiteral("no separator after value %1").arg(field));
        return value;
    }

private:
    // Before a value: blanks and line ends (values may stand on lines of their own).
    void skipSeparators()
    {
        while (m_pos < m_text.size() && (isBlank(m_text[m_pos]) || isLineEnd(m_text[m_pos])))
            ++m_pos;
    }

    template <typename Int> Int parse(const char* first, const char* last, int field) const
    {
        const char* digits = first;
        if (digits < last && *digits == '-')
            ++digits;
        bool decimal = digits < last;
        for (const char* p = digits; p < last; ++p)
            decimal = decimal && *p >= '0' && *p <= '9';
        if (!decimal)
            throw SettingsError(m_path, QStringLiteral("value %1 is not a decimal integer: \"%2\"")
                                            .arg(field)
                                            .arg(QString::fromLatin1(first, last - first)));
        Int value{};
        const auto [ptr, ec] = std::from_chars(first, last, value);
        if (ec == std::errc::result_out_of_range || ptr != last)
            throw SettingsError(m_path, QStringLiteral("value %1 is out of range: %2")
                                            .arg(field)
                                            .arg(QString::fromLatin1(first, last - first)));
        return value;
    }

    const QByteArray& m_text;
    const QString& m_path;
    qsizetype m_pos = 0;
};

} // namespace

QString settingsPath(const QString& programDirectory)
{
    return programDirectory + QDir::separator() + QStringLiteral("Settei.dat");
}

namespace
{

// An absolute directory named by an environment variable, or nothing.
QString absoluteDirectoryFrom(const char* variable)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

// The user's configuration directory for Mero Sonx, or nothing without one.
QString userSettingsDirectory()
{
    QString config = absoluteDirectoryFrom("XDG_CONFIG_HOME");
    if (config.isEmpty()) {
        const QString home = absoluteDirectoryFrom("HOME");
        if (home.isEmpty())
            return {};
        config = home + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/merosonx");
}

bool underUsr(const QString& directory)
{
    const QFileInfo info(directory);
    QString path = info.canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(info.absoluteFilePath());
    return path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/"));
}

} // namespace

SettingsLocation settingsLocation(const QString& programDirectory)
{
    const QString besidePrograms = settingsPath(programDirectory);
    const QFileInfo directory(programDirectory);
    const bool programDirectoryWritable =
        directory.isDir() && directory.isWritable() && !underUsr(programDirectory);
    const QString userDirectory = userSettingsDirectory();
    if (programDirectoryWritable || userDirectory.isEmpty())
        return {besidePrograms, besidePrograms, false};

    const QString userFile = userDirectory + QStringLiteral("/Settei.dat");
    const bool startFromShipped = !QFileInfo::exists(userFile) && QFileInfo::exists(besidePrograms);
    return {startFromShipped ? besidePrograms : userFile, userFile, true};
}

QString settingsWritePath(const QString& programDirectory)
{
    const SettingsLocation location = settingsLocation(programDirectory);
    if (location.inUserDirectory)
        QDir().mkpath(QFileInfo(location.writePath).absolutePath());
    return location.writePath;
}

Settings ReadSettings(const QString& path)
{
    // Opening a FIFO would wait for a writer, a device could stream forever.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw SettingsError(path, QStringLiteral("not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SettingsError(path, file.errorString());
    const QByteArray text = file.read(kReadLimit);
    if (file.error() != QFileDevice::NoError)
        throw SettingsError(path, file.errorString());

    Reader reader(text, path);
    Settings s;
    s.height = reader.next<std::int32_t>(1, false);
    s.width = reader.next<std::int32_t>(2, false);
    s.windowState = reader.next<std::int32_t>(3, false);
    s.top = reader.next<std::int32_t>(4, false);
    s.left = reader.next<std::int32_t>(5, false);
    s.showInformation = reader.next<std::int16_t>(6, true);
    return s;
}

QByteArray formatSettings(const Settings& s)
{
    QByteArray line;
    line += QByteArray::number(s.height) + ',' + QByteArray::number(s.width) + ',' +
            QByteArray::number(s.windowState) + ',' + QByteArray::number(s.top) + ',' +
            QByteArray::number(s.left) + ',' + QByteArray::number(s.showInformation) + "\r\n";
    return line;
}

void WriteSettings(const QString& path, const Settings& settings)
{
    QSaveFile file(path);
    // Unbuffered: a full disk fails the write itself. Buffered, the bytes
    // reach the disk only inside commit(), whose failing flush Qt 6.4 does
    // not report, and an empty file would replace the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw SettingsError(path, file.errorString());
    const QByteArray line = formatSettings(settings);
    if (file.write(line) != line.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw SettingsError(path, reason);
    }
    if (!file.commit())
        throw SettingsError(path, file.errorString());
}
