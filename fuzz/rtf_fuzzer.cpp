// SPDX-License-Identifier: MIT
// An RTF lyrics file from any word processor, or a broken one. The reader
// must take anything (the sanitizers and libFuzzer's time limit watch memory
// and linear time), give the same document every time, hold no character a
// text box cannot show (controls but tab, lone surrogates), keep every
// paragraph within the length the box lays out quickly, and produce no more
// text than the input could carry.
#include "fuzzapplication.h"
#include "paragraphs.h"
#include "rtfreader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool showable(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x20 && c != u'\t')
            return false;
        if (c.isLowSurrogate())
            return false;
        if (c.isHighSurrogate()) {
            if (i + 1 == text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView rtf(reinterpret_cast<const char*>(data), qsizetype(size));
    // The box sends only what starts like RTF here; the reader takes anything.
    QTextDocument document;
    RtfReader::read(rtf, document);

    qsizetype characters = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        require(showable(text));
        require(text.size() <= paragraphs::kMaxLength);
        characters += text.size();
    }
    // Every character costs at least one byte of input; the reader's own
    // paragraph cuts add at most one break per kMaxLength characters.
    require(characters <= rtf.size());
    require(document.blockCount() <= rtf.size() + 1);

    QTextDocument again;
    RtfReader::read(rtf, again);
    require(again.toRawText() == document.toRawText());
    return 0;
}
