// SPDX-License-Identifier: MIT
// A plain-text lyrics file in whatever encoding, or none. The decoder must
// name an encoding Qt can decode, give text fit for display (line ends as
// '\n', no other controls but tab, no lone surrogates) that its own cleaning
// leaves alone, and not grow it out of proportion; the paragraph cutter
// applied after it may only insert line ends, and every line it leaves fits.
#include "paragraphs.h"
#include "textdecoder.h"

#include <QList>
#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool fitForDisplay(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c < 0x20 && c != u'\n' && c != u'\t') || c == 0x7F)
            return false;
        if (QChar::isLowSurrogate(c))
            return false;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 == text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        }
    }
    return true;
}

QString withoutLineEnds(QString text)
{
    text.remove(u'\n');
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const QByteArray encoding = TextDecoder::detectEncoding(bytes);
    require(!encoding.isEmpty());
    require(QStringDecoder(encoding.constData()).isValid());

    const QString text = TextDecoder::decode(bytes);
    require(fitForDisplay(text));
    require(TextDecoder::cleanForDisplay(text) == text);
    require(text.size() <= 2 * bytes.size() + 1);

    // Short lines for short inputs, so that the cutter is exercised at all.
    const qsizetype maxLength = 2 + qsizetype(size % 61);
    const QString cut = paragraphs::breakLongLines(text, maxLength);
    require(withoutLineEnds(cut) == withoutLineEnds(text));
    require(fitForDisplay(cut));
    require(cut.count(u'\n') >= text.count(u'\n'));
    for (const QStringView line : QStringView(cut).split(u'\n'))
        require(line.size() <= maxLength);
    return 0;
}
