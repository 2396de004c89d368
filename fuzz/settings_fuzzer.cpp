// SPDX-License-Identifier: MIT
// Settei.dat as anyone may have left it. ReadSettings must agree with the
// grammar below on every input (which files read, and to which values), never
// throw anything but SettingsError, and whatever it reads must survive
// WriteSettings unchanged, in the canonical one-line form.
#include "fuzzscratch.h"
#include "settings.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

namespace
{

// The reader looks at no more than this of a file.
constexpr qsizetype kReadLimit = 64 * 1024;

// Six decimal integers; between two of them blanks, then a comma or a line
// end, then blanks and line ends; blanks and line ends before the first; the
// last ends the text or is followed by a blank, comma or line end.
const QRegularExpression& grammar()
{
    static const QRegularExpression re(
        QStringLiteral("\\A[ \\t\\r\\n]*(-?[0-9]+)"
                       "[ \\t]*[,\\r\\n][ \\t\\r\\n]*(-?[0-9]+)"
                       "[ \\t]*[,\\r\\n][ \\t\\r\\n]*(-?[0-9]+)"
                       "[ \\t]*[,\\r\\n][ \\t\\r\\n]*(-?[0-9]+)"
                       "[ \\t]*[,\\r\\n][ \\t\\r\\n]*(-?[0-9]+)"
                       "[ \\t]*[,\\r\\n][ \\t\\r\\n]*(-?[0-9]+)(?=[ \\t,\\r\\n]|\\z)"));
    return re;
}

// The canonical line WriteSettings produces.
const QRegularExpression& canonical()
{
    static const QRegularExpression re(
        QStringLiteral("\\A(?:(?:0|-?[1-9][0-9]*),){5}(?:0|-?[1-9][0-9]*)\\r\\n\\z"));
    return re;
}

template <typename Int> std::optional<Int> fit(const QString& digits)
{
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        return std::nullopt;
    return Int(value);
}

std::optional<Settings> expected(const uint8_t* data, size_t size)
{
    const qsizetype n = std::min<qsizetype>(qsizetype(size), kReadLimit);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), n);
    const QRegularExpressionMatch m = grammar().match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const auto h = fit<std::int32_t>(m.captured(1));
    const auto w = fit<std::int32_t>(m.captured(2));
    const auto s = fit<std::int32_t>(m.captured(3));
    const auto t = fit<std::int32_t>(m.captured(4));
    const auto l = fit<std::int32_t>(m.captured(5));
    const auto f = fit<std::int16_t>(m.captured(6));
    if (!h || !w || !s || !t || !l || !f)
        return std::nullopt;
    return Settings{*h, *w, *s, *t, *l, *f};
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    require(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzScratch scratch;
    const QString path =
        scratch.write(QStringLiteral("Settei.dat"), reinterpret_cast<const char*>(data), size);

    std::optional<Settings> read;
    try {
        read = ReadSettings(path);
    } catch (const SettingsError& e) {
        require(e.path() == path && !e.reason().isEmpty());
    }
    require(read == expected(data, size));
    if (!read)
        return 0;

    const QByteArray line = formatSettings(*read);
    require(canonical().match(QString::fromLatin1(line)).hasMatch());
    const QString copy = scratch.path(QStringLiteral("written/Settei.dat"));
    QDir().mkpath(scratch.path(QStringLiteral("written")));
    WriteSettings(copy, *read);
    require(fileBytes(copy) == line);
    require(ReadSettings(copy) == *read);
    return 0;
}
