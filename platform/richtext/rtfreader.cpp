// SPDX-License-Identifier: MIT
#include "rtfreader.h"

#include "codepages.h"
#include "rtfcontrolwords.h"
#include "rtfdocumentbuilder.h"
#include "rtfgroupstate.h"
#include "rtftables.h"
#include "rtftokenizer.h"

#include <QFont>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextDocument>
#include <utility>
#include <vector>

namespace
{

using rtfwords::Action;
using Token = RtfTokenizer::Token;
using Kind = RtfTokenizer::Kind;

constexpr qint64 kMaxDepth = 1000; // groups with formatting of their own

using Destination = RtfGroupState::Destination;
using RunKind = RtfGroupState::RunKind;

class Reader
{
public:
    explicit Reader(QByteArrayView rtf, QTextDocument& document);
    void run();

private:
    RtfGroupState& top() { return m_stack.back(); }
    const RtfGroupState& top() const { return m_stack.back(); }
    // Whether the innermost open group has a state of its own (it is not
    // nested past kMaxDepth), so that formatting may change.
    bool ownsState() const { return qint64(m_stack.size()) == m_depth + 1; }

    void openGroup();
    void closeGroup();
    void beginSkip();
    void consumeFallback(const Token& token);
    void handle(const Token& token);
    void handleText(QByteArrayView text);
    void handleSymbol(char symbol);
    void handleWord(const Token& token);
    void handleFontTable(const Token& token);
    void handleColorTable(const Token& token);

    void appendByte(unsigned char byte, bool raw);
    void flushBytes();
    void appendUnicode(int parameter);
    void appendCharacters(QStringView text);
    void emitText(QStringView text);
    void flushSurrogate();
    void endParagraph();

    int currentCodePage() const;
    const QTextCharFormat& currentFormat(RtfGroupState::CharClass charClass);
    void appendByClass(QStringView text);

    RtfTokenizer m_tokens;
    RtfDocumentBuilder m_builder;
    QStringList m_fallbackFamilies;

    std::vector<RtfGroupState> m_stack{RtfGroupState{}};
    qint64 m_depth = 0;      // open groups, however deep
    bool m_skipping = false; // inside a skipped destination
    qint64 m_skipDepth = 0;  // depth of the group that began it
    int m_fallbackLeft = 0;  // \uN fallback bytes still to drop

    RtfTables m_tables;

    // Bytes awaiting decoding, all in one code page and one format.
    QByteArray m_bytes;
    int m_bytesCodePage = 0;
    bool m_leadPending = false; // the last byte begins a double-byte character
    bool m_rawLead = false;     // … and was written raw
    char16_t m_highSurrogate = 0;

    RtfGroupState::Chars m_formatState;
    int m_formatRevision = -1; // of the tables the formats were built from
    QTextCharFormat m_format[RtfGroupState::kCharClasses];
    bool m_formatBuilt[RtfGroupState::kCharClasses] = {};
};

Reader::Reader(QByteArrayView rtf, QTextDocument& document) : m_tokens(rtf), m_builder(document)
{
    m_fallbackFamilies = document.defaultFont().families();
    if (m_fallbackFamilies.isEmpty())
        m_fallbackFamilies = {document.defaultFont().family()};
}

void Reader::run()
{
    for (;;) {
        const Token token = m_tokens.next();
        switch (token.kind) {
        case Kind::End:
            flushBytes();
            flushSurrogate();
            m_builder.finish(top().alignment);
            return;
        case Kind::GroupStart:
            openGroup();
            break;
        case Kind::GroupEnd:
            closeGroup();
            break;
        default:
            if (m_skipping) {
                if (token.kind == Kind::ControlWord && token.word == "bin")
                    m_tokens.skipBytes(token.parameter);
            } else if (m_fallbackLeft > 0) {
                consumeFallback(token);
            } else {
                handle(token);
            }
        }
    }
}

void Reader::openGroup()
{
    flushBytes();
    m_fallbackLeft = 0;
    ++m_depth;
    if (!m_skipping && m_depth <= kMaxDepth)
        m_stack.push_back(m_stack.back());
}

void Reader::closeGroup()
{
    flushBytes();
    m_fallbackLeft = 0;
    if (m_depth == 0)
        return; // a brace too many
    const bool skipped = m_skipping && m_depth >= m_skipDepth;
    if (ownsState()) {
        if (!skipped && top().destination == Destination::FontTable)
            m_tables.commitFont();
        m_stack.pop_back();
    }
    --m_depth;
    if (m_skipping && m_depth < m_skipDepth)
        m_skipping = false;
}

// Skips the innermost group. Never the document group itself or text outside
// any group: a misplaced destination there would hide the whole text.
void Reader::beginSkip()
{
    if (m_skipping || m_depth < 2)
        return;
    flushBytes();
    m_skipping = true;
    m_skipDepth = m_depth;
}

// Drops what stands for the character of the last \uN: bytes, escapes and
// control words count one each; a group boundary ends the fallback.
void Reader::consumeFallback(const Token& token)
{
    if (token.kind == Kind::Text) {
        const qsizetype dropped = qMin<qsizetype>(m_fallbackLeft, token.text.size());
        m_fallbackLeft -= int(dropped);
        if (dropped < token.text.size()) {
            Token rest = token;
            rest.text = token.text.sliced(dropped);
            handle(rest);
        }
        return;
    }
    --m_fallbackLeft;
    if (token.kind == Kind::ControlWord && token.word == "bin")
        m_tokens.skipBytes(token.parameter);
}

void Reader::handle(const Token& token)
{
    if (token.kind == Kind::ControlWord && token.word == "bin") {
        m_tokens.skipBytes(token.parameter); // binary data is never text
        return;
    }
    if (token.kind == Kind::ControlSymbol && token.symbol == '*') {
        beginSkip();
        return;
    }
    switch (top().destination) {
    case Destination::FontTable:
        handleFontTable(token);
        return;
    case Destination::ColorTable:
        handleColorTable(token);
        return;
    case Destination::Text:
        break;
    }
    switch (token.kind) {
    case Kind::Text:
        handleText(token.text);
        break;
    case Kind::HexByte:
        appendByte(token.byte, false);
        break;
    case Kind::ControlSymbol:
        handleSymbol(token.symbol);
        break;
    case Kind::ControlWord:
        handleWord(token);
        break;
    default:
        break;
    }
}

void Reader::handleText(QByteArrayView text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 || byte == '\t')
            appendByte(byte, true);
    }
    if (m_leadPending && m_rawLead) {
        const int next = m_tokens.peekByte();
        if (next == '\\' || next == '{' || next == '}') {
            m_tokens.takeByte();
            appendByte(static_cast<unsigned char>(next), true);
        }
    }
}

void Reader::handleSymbol(char symbol)
{
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        appendByte(static_cast<unsigned char>(symbol), false);
        break;
    case '~':
        appendCharacters(u"\u00A0");
        break;
    case '-':
        appendCharacters(u"\u00AD"); // optional hyphen
        break;
    case '_':
        appendCharacters(u"\u2011");
        break;
    case '\n': // a backslash before a line end: a paragraph
        endParagraph();
        break;
    default:
        break;
    }
}

void Reader::handleWord(const Token& token)
{
    const rtfwords::Word word = rtfwords::lookup(token.word);
    const int parameter = token.parameter;
    switch (word.action) {
    case Action::Unknown:
        return;
    case Action::SkipDestination:
        beginSkip();
        return;
    case Action::FontTable:
    case Action::ColorTable:
        if (!ownsState() || m_depth < 2) {
            beginSkip();
            return;
        }
        flushBytes();
        top().destination =
            word.action == Action::FontTable ? Destination::FontTable : Destination::ColorTable;
        return;
    case Action::Ansi:
    case Action::Mac:
    case Action::Pc:
    case Action::Pca:
    case Action::AnsiCodePage: {
        flushBytes();
        m_tables.setDocumentCodePage(word.action == Action::Ansi  ? codepages::kWesternEurope
                                     : word.action == Action::Mac ? 10000
                                     : word.action == Action::Pc  ? 437
                                     : word.action == Action::Pca ? 850
                                                                  : parameter);
        return;
    }
    case Action::DefaultFont:
        flushBytes();
        m_tables.setDefaultFont(parameter);
        return;
    case Action::Unicode:
        flushBytes();
        appendUnicode(parameter);
        m_fallbackLeft = top().unicodeSkip;
        return;
    case Action::Paragraph:
        endParagraph();
        return;
    case Action::LineBreak:
        appendCharacters(u"\u2028");
        return;
    case Action::Tab:
        appendCharacters(u"\t");
        return;
    case Action::Character:
        appendCharacters(QStringView(&word.character, 1));
        return;
    default:
        break;
    }
    if (!ownsState())
        return; // too deep for formatting of its own
    flushBytes();
    top().apply(word.action, token.hasParameter, parameter);
}

// Entries look like "\f1\fnil\fcharset128 Name;", in braces or not, perhaps
// with {\*\panose …} and such inside (skipped like any starred group).
void Reader::handleFontTable(const Token& token)
{
    switch (token.kind) {
    case Kind::Text:
        for (const char c : token.text) {
            if (c == ';')
                m_tables.commitFont();
            else
                m_tables.appendToFontName(c);
        }
        break;
    case Kind::HexByte:
        m_tables.appendToFontName(char(token.byte));
        break;
    case Kind::ControlWord:
        switch (rtfwords::lookup(token.word).action) {
        case Action::Font:
            m_tables.startFont(token.parameter);
            break;
        case Action::FontCharset:
            m_tables.setFontCharset(token.parameter);
            break;
        case Action::FontCodePage:
            m_tables.setFontCodePage(token.parameter);
            break;
        case Action::FontFamilyRoman:
            m_tables.setFontRoman();
            break;
        case Action::SkipDestination:
            beginSkip();
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

// Entries look like "\red255\green0\blue0;"; an empty entry (commonly the
// first) stands for the automatic colour.
void Reader::handleColorTable(const Token& token)
{
    if (token.kind == Kind::Text) {
        for (const char c : token.text) {
            if (c == ';')
                m_tables.commitColor();
        }
        return;
    }
    if (token.kind != Kind::ControlWord)
        return;
    const Action action = rtfwords::lookup(token.word).action;
    const int component = action == Action::Red     ? 0
                          : action == Action::Green ? 1
                          : action == Action::Blue  ? 2
                                                    : -1;
    if (component >= 0)
        m_tables.setColorComponent(component, token.parameter);
    else if (action == Action::SkipDestination)
        beginSkip();
}

void Reader::appendByte(unsigned char byte, bool raw)
{
    if (m_bytes.isEmpty()) {
        m_bytesCodePage = currentCodePage();
        m_leadPending = false;
    }
    m_bytes += char(byte);
    if (m_leadPending) {
        m_leadPending = false;
    } else if (codepages::isLeadByte(m_bytesCodePage, byte)) {
        m_leadPending = true;
        m_rawLead = raw;
    }
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const QString text = m_tables.decode(std::exchange(m_bytes, {}), m_bytesCodePage);
    m_leadPending = false;
    emitText(text);
}

void Reader::appendUnicode(int parameter)
{
    // A signed 16-bit number; some writers give code points above U+FFFF whole.
    const int value = parameter < 0 ? parameter + 0x10000 : parameter;
    const auto unit = char16_t(value);
    if (value < 0 || value > 0x10FFFF) {
        emitText(u"\uFFFD");
    } else if (value > 0xFFFF) {
        const char32_t codePoint = char32_t(value);
        const QString pair = QString::fromUcs4(&codePoint, 1);
        emitText(pair);
    } else if (QChar::isHighSurrogate(unit)) {
        flushSurrogate();
        m_highSurrogate = unit;
    } else if (QChar::isLowSurrogate(unit) && m_highSurrogate) {
        const char16_t pair[2] = {std::exchange(m_highSurrogate, 0), unit};
        emitText(QStringView(pair, 2));
    } else {
        emitText(QStringView(&unit, 1));
    }
}

// Characters given by control words and symbols, after the bytes before them.
void Reader::appendCharacters(QStringView text)
{
    flushBytes();
    emitText(text);
}

// Shows `text` in the current format. RTF text holds no control characters
// but tab: others are dropped, malformed input shows as U+FFFD.
void Reader::emitText(QStringView text)
{
    flushSurrogate();
    if (top().chars.hidden || text.isEmpty())
        return;
    bool clean = true;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.isSurrogate()) {
            clean = false;
            break;
        }
    }
    if (clean) {
        appendByClass(text);
        return;
    }
    QString cleaned;
    cleaned.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\t' || c.unicode() >= 0x20) {
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                cleaned += text.sliced(i++, 2);
            } else {
                cleaned += c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
            }
        } else if (c.unicode() == 0x1A) { // what ICU puts for a malformed sequence
            cleaned += QChar(QChar::ReplacementCharacter);
        }
    }
    appendByClass(cleaned);
}

// Appends `text` in the current format; where associated properties are
// given, each run of one class of characters in the format of its class.
void Reader::appendByClass(QStringView text)
{
    const RtfGroupState::Chars& chars = top().chars;
    bool associated = false;
    for (const RtfGroupState::Associated& a : chars.associated)
        associated = associated || a.isSet();
    if (!associated) {
        m_builder.appendText(text, currentFormat(RtfGroupState::kLowAnsi));
        return;
    }
    qsizetype start = 0;
    RtfGroupState::CharClass runClass = RtfGroupState::kLowAnsi;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype at = i;
        char32_t c = text[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < text.size() && text[i].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[i++].unicode());
        const RtfGroupState::CharClass charClass = RtfGroupState::classOf(c);
        if (at == 0) {
            runClass = charClass;
        } else if (charClass != runClass) {
            m_builder.appendText(text.sliced(start, at - start), currentFormat(runClass));
            start = at;
            runClass = charClass;
        }
    }
    if (start < text.size())
        m_builder.appendText(text.sliced(start), currentFormat(runClass));
}

void Reader::flushSurrogate()
{
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        emitText(u"\uFFFD");
    }
}

void Reader::endParagraph()
{
    flushBytes();
    flushSurrogate();
    m_builder.endParagraph(top().alignment);
}

// Word marks double-byte runs with \dbch and names their font with \af: that
// font (else the document's code page) decides when it is a double-byte one.
int Reader::currentCodePage() const
{
    const RtfGroupState::Chars& chars = top().chars;
    if (chars.runKind == RunKind::DoubleByte) {
        const int codePage = chars.doubleByteFont() >= 0
                                 ? m_tables.codePageOf(chars.doubleByteFont())
                                 : m_tables.documentCodePage();
        if (codepages::isDoubleByte(codePage))
            return codePage;
    }
    return m_tables.codePageOf(chars.font);
}

const QTextCharFormat& Reader::currentFormat(RtfGroupState::CharClass charClass)
{
    const RtfGroupState::Chars& chars = top().chars;
    if (m_formatRevision != m_tables.revision() || !(chars == m_formatState)) {
        for (bool& built : m_formatBuilt)
            built = false;
        m_formatState = chars;
        m_formatRevision = m_tables.revision();
    }
    if (!m_formatBuilt[charClass]) {
        m_format[charClass] = top().charFormat(m_tables, m_fallbackFamilies, charClass);
        m_formatBuilt[charClass] = true;
    }
    return m_format[charClass];
}

QByteArrayView withoutLeadIn(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    while (!data.isEmpty() && (data.front() == ' ' || data.front() == '\t' ||
                               data.front() == '\r' || data.front() == '\n'))
        data = data.sliced(1);
    return data;
}

} // namespace

bool RtfReader::isRtf(QByteArrayView data)
{
    return withoutLeadIn(data).startsWith("{\\rtf");
}

void RtfReader::read(QByteArrayView rtf, QTextDocument& document)
{
    Reader reader(withoutLeadIn(rtf), document);
    reader.run();
}
