// SPDX-License-Identifier: MIT
#include "lrclyrics.h"

#include "paragraphs.h"

#include <algorithm>

namespace
{

constexpr int kMaxMinuteDigits = 6;
constexpr int kMaxOffsetDigits = 9; // about eleven days, far beyond any song

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

qsizetype skipBlanks(QStringView s, qsizetype pos)
{
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    return pos;
}

struct Number {
    qint64 value = 0;
    qsizetype end = 0;
    int digits = 0;
};

// The decimal digits at `pos`, read up to `most` of them: a longer run shows
// as digits == most, which callers take as too long.
Number digitsAt(QStringView s, qsizetype pos, int most)
{
    Number n{0, pos, 0};
    while (n.end < s.size() && n.digits < most && isDigit(s[n.end])) {
        n.value = n.value * 10 + (s[n.end].unicode() - u'0');
        ++n.end;
        ++n.digits;
    }
    return n;
}

struct TimeTag {
    qint64 ms = 0;
    qsizetype end = 0; // just after the closing bracket
};

// `open` m:ss[.f|:f] `close` at `pos`, the fraction of one to three digits.
std::optional<TimeTag> timeTagAt(QStringView s, qsizetype pos, char16_t open, char16_t close)
{
    if (pos >= s.size() || s[pos] != open)
        return {};
    const Number minutes = digitsAt(s, pos + 1, kMaxMinuteDigits + 1);
    if (minutes.digits == 0 || minutes.digits > kMaxMinuteDigits)
        return {};
    qsizetype i = minutes.end;
    if (i >= s.size() || s[i] != u':')
        return {};
    const Number seconds = digitsAt(s, i + 1, 3);
    if (seconds.digits == 0 || seconds.digits > 2)
        return {};
    qint64 ms = minutes.value * 60000 + seconds.value * 1000;
    i = seconds.end;
    if (i < s.size() && (s[i] == u'.' || s[i] == u':')) {
        const Number fraction = digitsAt(s, i + 1, 4);
        if (fraction.digits == 0 || fraction.digits > 3)
            return {};
        static constexpr int kScale[] = {0, 100, 10, 1};
        ms += fraction.value * kScale[fraction.digits];
        i = fraction.end;
    }
    if (i >= s.size() || s[i] != close)
        return {};
    return TimeTag{ms, i + 1};
}

bool isHeaderKey(QStringView key)
{
    static const QStringView kKeys[] = {u"ti", u"ar", u"al",   u"au", u"by",    u"length",
                                        u"re", u"ve", u"tool", u"#",  u"offset"};
    return std::any_of(std::begin(kKeys), std::end(kKeys), [key](QStringView known) {
        return key.compare(known, Qt::CaseInsensitive) == 0;
    });
}

struct HeaderTag {
    QStringView key;
    QStringView value;
    qsizetype end = 0;
};

std::optional<HeaderTag> headerTagAt(QStringView s, qsizetype pos)
{
    if (pos >= s.size() || s[pos] != u'[')
        return {};
    qsizetype colon = pos + 1;
    while (colon < s.size() && colon - pos <= 7 &&
           ((s[colon] >= u'a' && s[colon] <= u'z') || (s[colon] >= u'A' && s[colon] <= u'Z') ||
            s[colon] == u'#'))
        ++colon;
    if (colon >= s.size() || s[colon] != u':' || !isHeaderKey(s.sliced(pos + 1, colon - pos - 1)))
        return {};
    const qsizetype close = s.indexOf(u']', colon + 1);
    if (close < 0)
        return {};
    return HeaderTag{s.sliced(pos + 1, colon - pos - 1), s.sliced(colon + 1, close - colon - 1),
                     close + 1};
}

// "+500", "-250", "500": milliseconds; anything else is no offset.
std::optional<qint64> offsetValue(QStringView value)
{
    value = value.trimmed();
    qint64 sign = 1;
    if (!value.isEmpty() && (value[0] == u'+' || value[0] == u'-')) {
        sign = value[0] == u'-' ? -1 : 1;
        value = value.sliced(1);
    }
    const Number n = digitsAt(value, 0, kMaxOffsetDigits + 1);
    if (n.digits == 0 || n.digits > kMaxOffsetDigits || n.end != value.size())
        return {};
    return sign * n.value;
}

enum class Kind { Empty, Header, Timed, Text };

struct LineTags {
    Kind kind = Kind::Text;
    qsizetype textStart = 0;       // after the leading time tags
    std::optional<qint64> offset;  // of an [offset:] header line
    std::optional<qint64> firstMs; // of a timed line
};

// What a line is. The times of a timed line go to `times` when given.
LineTags scanLine(QStringView line, QList<qint64>* times)
{
    LineTags tags;
    qsizetype pos = skipBlanks(line, 0);
    if (pos == line.size()) {
        tags.kind = Kind::Empty;
        return tags;
    }
    bool header = false;
    std::optional<qint64> offset;
    while (pos < line.size() && line[pos] == u'[') {
        if (const auto time = timeTagAt(line, pos, u'[', u']')) {
            if (!tags.firstMs)
                tags.firstMs = time->ms;
            if (times)
                times->append(time->ms);
            pos = time->end;
        } else if (const auto tag =
                       tags.firstMs ? std::optional<HeaderTag>() : headerTagAt(line, pos)) {
            header = true;
            if (tag->key.compare(u"offset", Qt::CaseInsensitive) == 0)
                offset = offsetValue(tag->value);
            pos = tag->end;
        } else {
            break;
        }
        pos = skipBlanks(line, pos);
    }
    if (tags.firstMs) {
        tags.kind = Kind::Timed;
        tags.textStart = pos;
    } else if (header && pos == line.size()) {
        tags.kind = Kind::Header;
        tags.offset = offset;
    }
    return tags;
}

// Calls `f(line)` for each line of `text`; a final '\n' ends the last line.
template <typename F> void forEachLine(QStringView text, F f)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        f(text.sliced(start, end - start), start);
        start = end + 1;
    }
}

// A timed line's text without its word tags, trimmed; the words with their
// places in it and their times as tagged.
struct TimedText {
    QString text;
    QList<LrcLyrics::Word> words;
};

TimedText stripWordTags(QStringView s)
{
    TimedText out;
    qsizetype run = 0;
    qsizetype i = s.indexOf(u'<');
    while (i >= 0) {
        if (const auto tag = timeTagAt(s, i, u'<', u'>')) {
            out.text += s.sliced(run, i - run);
            out.words.append({tag->ms, out.text.size(), 0});
            run = tag->end;
            i = s.indexOf(u'<', run);
        } else {
            i = s.indexOf(u'<', i + 1);
        }
    }
    out.text += s.sliced(run);

    // Each word runs to the next; blanks around the line and the words go.
    const qsizetype first = skipBlanks(out.text, 0);
    qsizetype last = out.text.size();
    while (last > first && isBlank(out.text[last - 1]))
        --last;
    out.text = out.text.sliced(first, last - first);
    const qsizetype size = out.text.size();
    QList<LrcLyrics::Word> words;
    for (qsizetype w = 0; w < out.words.size(); ++w) {
        const qsizetype next = w + 1 < out.words.size() ? out.words[w + 1].start : last;
        qsizetype start = std::clamp(out.words[w].start - first, qsizetype(0), size);
        qsizetype end = std::clamp(next - first, start, size);
        start = skipBlanks(out.text, start);
        while (end > start && isBlank(out.text[end - 1]))
            --end;
        if (end > start)
            words.append({out.words[w].ms, start, end});
    }
    out.words = std::move(words);
    return out;
}

} // namespace

std::optional<LrcLyrics> LrcLyrics::read(QStringView text)
{
    // First, without keeping anything: whether the text is time-tagged.
    qsizetype timed = 0;
    qsizetype plain = 0;
    forEachLine(text, [&](QStringView line, qsizetype) {
        const Kind kind = scanLine(line, nullptr).kind;
        timed += kind == Kind::Timed;
        plain += kind == Kind::Text;
    });
    if (timed < 2 || timed < plain)
        return std::nullopt;

    // A group is a timed line and the lines after it up to the next timed
    // line; it is shown at each of the line's times. Lines before the first
    // timed line form a group of their own, shown first.
    struct Group {
        qsizetype textStart = 0; // in `text`: the timed line's text after its tags,
        qsizetype lineEnd = 0;   // the timed line's end,
        qsizetype to = 0;        // the end of its last line, past the line end
        qint64 firstMs = 0;      // the line's first tag, for its word times
        bool shown = false;
    };
    struct Entry {
        qint64 ms;
        qsizetype group;
    };
    QList<Group> groups;
    QList<Entry> entries;
    QList<qint64> times;
    qint64 offset = 0;
    qsizetype leadingEnd = 0;
    forEachLine(text, [&](QStringView line, qsizetype at) {
        times.clear();
        const LineTags tags = scanLine(line, &times);
        const qsizetype next = std::min(at + line.size() + 1, text.size()); // past its '\n'
        if (tags.kind == Kind::Timed) {
            groups.append({at + tags.textStart, at + line.size(), next, *tags.firstMs});
            for (qint64 ms : std::as_const(times))
                entries.append({ms, groups.size() - 1});
            return;
        }
        if (tags.kind == Kind::Header && tags.offset)
            offset = *tags.offset;
        (groups.isEmpty() ? leadingEnd : groups.last().to) = next;
    });
    if (groups.isEmpty())
        return std::nullopt;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.ms < b.ms; });

    LrcLyrics lyrics;
    lyrics.m_text.reserve(text.size());
    // Repeats of a group beyond its first showing may add up to this much.
    qsizetype repeatBudget = text.size() + 1024;

    const auto appendLine = [&lyrics](QStringView s, qint64 ms, QList<Word> words) {
        if (!lyrics.m_lines.isEmpty())
            lyrics.m_text += u'\n';
        Line line;
        line.ms = ms;
        line.start = lyrics.m_text.size();
        QList<qsizetype> cuts; // in `s`, where a '\n' goes in
        for (qsizetype from = 0; s.size() - from > paragraphs::kMaxLength;) {
            const qsizetype cut = paragraphs::breakPosition(s, from);
            lyrics.m_text += s.sliced(from, cut - from);
            lyrics.m_text += u'\n';
            cuts.append(cut);
            from = cut;
        }
        lyrics.m_text += s.sliced(cuts.isEmpty() ? 0 : cuts.last());
        line.end = lyrics.m_text.size();
        for (Word& w : words) {
            w.start +=
                line.start + (std::upper_bound(cuts.begin(), cuts.end(), w.start) - cuts.begin());
            w.end +=
                line.start + (std::lower_bound(cuts.begin(), cuts.end(), w.end) - cuts.begin());
        }
        line.words = std::move(words);
        if (ms != kUntimed)
            lyrics.m_timed.append(lyrics.m_lines.size());
        lyrics.m_lines.append(std::move(line));
    };
    // The untagged lines of text[from, to); blank ones only once something shows.
    const auto appendUntimed = [&](qsizetype from, qsizetype to) {
        forEachLine(text.sliced(from, to - from), [&](QStringView line, qsizetype) {
            const Kind kind = scanLine(line, nullptr).kind;
            if (kind == Kind::Header || (kind == Kind::Empty && lyrics.m_lines.isEmpty()))
                return;
            appendLine(line, kUntimed, {});
        });
    };

    appendUntimed(0, leadingEnd);
    for (const Entry& entry : std::as_const(entries)) {
        Group& group = groups[entry.group];
        if (group.shown) {
            const qsizetype cost = group.to - group.textStart + 1;
            if (cost > repeatBudget)
                continue;
            repeatBudget -= cost;
        }
        group.shown = true;
        const qint64 ms = entry.ms - offset;
        TimedText timedText =
            stripWordTags(text.sliced(group.textStart, group.lineEnd - group.textStart));
        for (Word& w : timedText.words)
            w.ms = ms + (w.ms - group.firstMs);
        appendLine(timedText.text, ms, std::move(timedText.words));
        if (group.lineEnd + 1 < group.to)
            appendUntimed(group.lineEnd + 1, group.to);
    }
    lyrics.m_text.squeeze();
    return lyrics;
}

QList<int> LrcLyrics::linesAt(qint64 ms, int most) const
{
    // The number of timed lines that have started by `ms`.
    qsizetype low = 0;
    qsizetype high = m_timed.size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (m_lines[m_timed[mid]].ms <= ms)
            low = mid + 1;
        else
            high = mid;
    }
    QList<int> found;
    if (low == 0)
        return found;
    const qint64 latest = m_lines[m_timed[low - 1]].ms;
    for (qsizetype i = low - 1; i >= 0 && found.size() < most && m_lines[m_timed[i]].ms == latest;
         --i)
        found.prepend(m_timed[i]);
    return found;
}

int LrcLyrics::lineAtPosition(qsizetype position) const
{
    const auto after =
        std::upper_bound(m_lines.begin(), m_lines.end(), position,
                         [](qsizetype p, const Line& line) { return p < line.start; });
    if (after == m_lines.begin())
        return -1;
    const auto line = after - 1;
    return position <= line->end ? int(line - m_lines.begin()) : -1;
}

int LrcLyrics::wordAt(const Line& line, qint64 ms)
{
    qsizetype low = 0;
    qsizetype high = line.words.size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (line.words[mid].ms <= ms)
            low = mid + 1;
        else
            high = mid;
    }
    return int(low) - 1;
}
