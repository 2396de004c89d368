// SPDX-License-Identifier: MIT
#include "asxreader.h"

#include <QHash>
#include <optional>

namespace
{

struct Tag {
    QString name; // lower case
    bool closing = false;
    bool selfClosing = false;
    QHash<QString, QString> attributes; // lower-case names, decoded values
};

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u':' || c == u'.';
}

bool isAttributeNameChar(QChar c)
{
    return !c.isSpace() && c != u'=' && c != u'>' && c != u'/' && c != u'"' && c != u'\'' &&
           c != u'<';
}

// Reads the tag that starts with '<' at `pos`; on success `pos` moves past it.
std::optional<Tag> readTag(QStringView text, qsizetype& pos)
{
    const qsizetype n = text.size();
    qsizetype i = pos + 1;
    Tag tag;
    if (i < n && text[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    if (i >= n || !text[i].isLetter())
        return std::nullopt;
    const qsizetype nameStart = i;
    while (i < n && isNameChar(text[i]))
        ++i;
    tag.name = text.sliced(nameStart, i - nameStart).toString().toLower();

    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n)
            break;
        if (text[i] == u'>') {
            ++i;
            break;
        }
        if (text[i] == u'/' && i + 1 < n && text[i + 1] == u'>') {
            tag.selfClosing = true;
            i += 2;
            break;
        }
        if (text[i] == u'<')
            break; // an unclosed tag: the next one starts here
        const qsizetype attrStart = i;
        while (i < n && isAttributeNameChar(text[i]))
            ++i;
        if (i == attrStart) {
            ++i; // a stray quote or slash
            continue;
        }
        const QString attrName = text.sliced(attrStart, i - attrStart).toString().toLower();
        qsizetype j = i;
        while (j < n && text[j].isSpace())
            ++j;
        QString value;
        if (j < n && text[j] == u'=') {
            ++j;
            while (j < n && text[j].isSpace())
                ++j;
            if (j < n && (text[j] == u'"' || text[j] == u'\'')) {
                const QChar quote = text[j++];
                qsizetype close = text.indexOf(quote, j);
                if (close < 0)
                    close = n;
                value = AsxReader::decodeEntities(text.sliced(j, close - j));
                j = std::min(close + 1, n);
            } else {
                const qsizetype valueStart = j;
                while (j < n && !text[j].isSpace() && text[j] != u'>')
                    ++j;
                qsizetype valueEnd = j;
                // HREF=a.wma/> : the slash closes the tag.
                if (j < n && text[j] == u'>' && valueEnd > valueStart &&
                    text[valueEnd - 1] == u'/') {
                    --valueEnd;
                    tag.selfClosing = true;
                }
                value = AsxReader::decodeEntities(text.sliced(valueStart, valueEnd - valueStart));
            }
            i = j;
        }
        if (!tag.attributes.contains(attrName))
            tag.attributes.insert(attrName, value);
    }
    pos = i;
    return tag;
}

QString collapsed(const QString& text)
{
    return text.simplified();
}

class AsxBuilder
{
public:
    void text(QStringView run)
    {
        if (m_capture)
            m_captured += run;
    }

    void tag(const Tag& tag)
    {
        const QString& name = tag.name;
        if (name == u"entry") {
            // An ENTRY left open ends where the next one starts.
            flush();
            if (!tag.closing && !tag.selfClosing)
                m_entry = PlaylistEntry{};
        } else if (name == u"ref" && !tag.closing) {
            const QString href = tag.attributes.value(QStringLiteral("href")).trimmed();
            if (href.isEmpty())
                return;
            if (m_entry)
                m_entry->refs.append(href);
            else
                m_playlist.entries.append(PlaylistEntry{.refs = {href}});
        } else if (name == u"entryref" && !tag.closing) {
            const QString href = tag.attributes.value(QStringLiteral("href")).trimmed();
            if (!href.isEmpty())
                m_playlist.entries.append(PlaylistEntry{.refs = {href}, .isPlaylistRef = true});
        } else if (name == u"base" && !tag.closing) {
            const QString href = tag.attributes.value(QStringLiteral("href")).trimmed();
            (m_entry ? m_entry->base : m_base) = href;
        } else if (name == u"title" || name == u"author") {
            if (tag.closing)
                endCapture(name);
            else if (!tag.selfClosing)
                startCapture(name);
        }
    }

    Playlist finish()
    {
        flush();
        for (PlaylistEntry& entry : m_playlist.entries) {
            if (entry.base.isEmpty())
                entry.base = m_base;
        }
        return std::move(m_playlist);
    }

private:
    void flush()
    {
        if (m_capture)
            endCapture(*m_capture);
        if (m_entry && !m_entry->refs.isEmpty())
            m_playlist.entries.append(*m_entry);
        m_entry.reset();
    }

    void startCapture(const QString& name)
    {
        m_capture = name;
        m_captured.clear();
    }

    void endCapture(const QString& name)
    {
        if (!m_capture || *m_capture != name)
            return;
        const QString value = collapsed(AsxReader::decodeEntities(m_captured));
        m_capture.reset();
        if (m_entry) {
            (name == u"title" ? m_entry->title : m_entry->author) = value;
        } else if (name == u"title" && m_playlist.title.isEmpty()) {
            m_playlist.title = value;
        }
    }

    Playlist m_playlist;
    std::optional<PlaylistEntry> m_entry;
    QString m_base;
    std::optional<QString> m_capture; // "title" or "author" while its text is read
    QString m_captured;
};

bool startsWithAt(QStringView text, qsizetype pos, QLatin1StringView what)
{
    return text.sliced(pos).startsWith(what, Qt::CaseInsensitive);
}

// Index just past `terminator` from `from`, or the end of the text.
qsizetype skipPast(QStringView text, qsizetype from, QLatin1StringView terminator)
{
    const qsizetype at = text.indexOf(terminator, from);
    return at < 0 ? text.size() : at + terminator.size();
}

} // namespace

Playlist AsxReader::read(QStringView text)
{
    AsxBuilder builder;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        const qsizetype lt = text.indexOf(u'<', pos);
        if (lt < 0) {
            builder.text(text.sliced(pos));
            break;
        }
        builder.text(text.sliced(pos, lt - pos));
        if (startsWithAt(text, lt, QLatin1StringView("<!--"))) {
            pos = skipPast(text, lt + 4, QLatin1StringView("-->"));
        } else if (startsWithAt(text, lt, QLatin1StringView("<![CDATA["))) {
            const qsizetype start = lt + 9;
            pos = skipPast(text, start, QLatin1StringView("]]>"));
            // CDATA is literal: escape '&' so that decoding leaves it as written.
            QString literal =
                text.sliced(start, std::max<qsizetype>(0, pos - 3 - start)).toString();
            builder.text(literal.replace(u'&', QLatin1StringView("&amp;")));
        } else if (startsWithAt(text, lt, QLatin1StringView("<?")) ||
                   startsWithAt(text, lt, QLatin1StringView("<!"))) {
            pos = skipPast(text, lt + 2, QLatin1StringView(">"));
        } else {
            qsizetype next = lt;
            if (const std::optional<Tag> tag = readTag(text, next)) {
                builder.tag(*tag);
                pos = next;
            } else {
                builder.text(text.sliced(lt, 1));
                pos = lt + 1;
            }
        }
    }
    return builder.finish();
}

QString AsxReader::decodeEntities(QStringView text)
{
    static const QHash<QString, QChar> named = {
        {QStringLiteral("amp"), u'&'},   {QStringLiteral("lt"), u'<'},
        {QStringLiteral("gt"), u'>'},    {QStringLiteral("quot"), u'"'},
        {QStringLiteral("apos"), u'\''}, {QStringLiteral("nbsp"), QChar(0xA0)},
    };
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        const qsizetype semi = c == u'&' ? text.indexOf(u';', i + 1) : -1;
        if (semi < 0 || semi - i > 12) {
            out += c;
            ++i;
            continue;
        }
        const QStringView name = text.sliced(i + 1, semi - i - 1);
        char32_t code = 0;
        bool ok = false;
        if (name.startsWith(u'#')) {
            const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
            const uint value = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            ok = ok && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
            code = value;
        } else if (const auto it = named.constFind(name.toString().toLower()); it != named.cend()) {
            code = it->unicode();
            ok = true;
        }
        if (!ok) {
            out += c; // a stray '&' stays
            ++i;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = semi + 1;
    }
    return out;
}
