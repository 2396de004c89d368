// SPDX-License-Identifier: MIT
// Time-tagged lyrics as the lyrics window reads them: decoded text, then
// LrcLyrics. Lines and words lie inside the text and in order, timed lines in
// time order, no piece of the text longer than the box takes, the text never
// more than twice the input, and the lookups agree with the lines.
#include "lrclyrics.h"
#include "paragraphs.h"
#include "textdecoder.h"

#include <cstdint>
#include <cstdlib>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        TextDecoder::decode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<LrcLyrics> lyrics = LrcLyrics::read(text);
    if (!lyrics)
        return 0;
    const QString& shown = lyrics->text();
    require(shown.size() <= 2 * text.size() + 2048);
    for (const QStringView piece : QStringView(shown).split(u'\n'))
        require(piece.size() <= paragraphs::kMaxLength);

    qsizetype end = -1;
    qint64 lastTime = LrcLyrics::kUntimed;
    for (qsizetype i = 0; i < lyrics->lines().size(); ++i) {
        const LrcLyrics::Line& line = lyrics->lines()[i];
        require(line.start > end && line.start <= line.end && line.end <= shown.size());
        require(line.end == shown.size() || shown[line.end] == u'\n');
        require(lyrics->lineAtPosition(line.start) == i);
        end = line.end;
        if (line.ms != LrcLyrics::kUntimed) {
            require(line.ms >= lastTime);
            lastTime = line.ms;
            require(lyrics->linesAt(line.ms).contains(int(i)) ||
                    lyrics->linesAt(line.ms).size() == 8);
        } else {
            require(line.words.isEmpty());
        }
        qsizetype wordEnd = line.start;
        for (const LrcLyrics::Word& word : line.words) {
            require(word.start >= wordEnd && word.start < word.end && word.end <= line.end);
            wordEnd = word.end;
        }
    }
    return 0;
}
