// SPDX-License-Identifier: MIT
#include "playlisttext.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace
{

// QStringDecoder reports errors only once the result has been converted.
std::optional<QString> decodeStrictly(const QByteArray& bytes, QStringDecoder&& decoder)
{
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString decodeLeniently(const QByteArray& bytes, QStringConverter::Encoding encoding)
{
    return QStringDecoder(encoding).decode(bytes);
}

// Half the bytes zero, all on the same side: UTF-16 text that is mostly ASCII.
std::optional<QStringConverter::Encoding> utf16ByZeros(const QByteArray& bytes)
{
    const qsizetype count = std::min<qsizetype>(bytes.size(), 512) & ~qsizetype(1);
    if (count < 4)
        return std::nullopt;
    int evenZeros = 0;
    int oddZeros = 0;
    for (qsizetype i = 0; i < count; i += 2) {
        evenZeros += bytes[i] == 0;
        oddZeros += bytes[i + 1] == 0;
    }
    const int pairs = int(count / 2);
    if (oddZeros * 10 >= pairs * 7 && evenZeros * 10 < pairs)
        return QStringConverter::Utf16LE;
    if (evenZeros * 10 >= pairs * 7 && oddZeros * 10 < pairs)
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

QByteArray declaredEncoding(const QByteArray& bytes)
{
    static const QRegularExpression declaration(
        QStringLiteral(R"(^\s*<\?xml[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:-]+)["'])"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(bytes.left(256)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

} // namespace

QString PlaylistText::decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeLeniently(bytes.mid(3), QStringConverter::Utf8);
    if (bytes.startsWith("\xFF\xFE"))
        return decodeLeniently(bytes.mid(2), QStringConverter::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeLeniently(bytes.mid(2), QStringConverter::Utf16BE);
    if (const auto utf16 = utf16ByZeros(bytes))
        return decodeLeniently(bytes, *utf16);
    // Stateless: a sequence cut off at the end is an error, not "more to come".
    if (auto utf8 = decodeStrictly(
            bytes, QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless)))
        return *utf8;
    const QByteArray declared = declaredEncoding(bytes);
    if (!declared.isEmpty()) {
        QStringDecoder decoder(declared.constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    QStringDecoder cp932("CP932");
    if (cp932.isValid())
        return cp932.decode(bytes);
    return QString::fromLatin1(bytes);
}
