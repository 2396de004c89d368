// SPDX-License-Identifier: MIT
#include "htmlpagetext.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace
{

// Tags that start a new line of text when the page is read.
bool isBlockTag(QStringView name)
{
    static const QStringList blocks =
        QStringLiteral(
            "address blockquote body br caption dd div dl dt h1 h2 h3 h4 h5 h6 hr li ol p pre "
            "section table td th tr ul")
            .split(QLatin1Char(' '));
    return blocks.contains(name, Qt::CaseInsensitive);
}

// CJK characters, kana and full-width forms: no space is read between two of them.
bool isWide(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
           (u >= 0xFF00 && u <= 0xFFEF);
}

QString stripTags(const QString& html)
{
    static const QRegularExpression hidden(
        QStringLiteral("<!--.*?-->|<(head|script|style)\\b.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<\\s*/?\\s*([A-Za-z0-9]*)[^>]*>"));

    QString body = html;
    body.remove(hidden);
    QString out;
    out.reserve(body.size());
    // Line breaks of the source are blanks; only blocks start new lines.
    const auto appendText = [&out](QStringView text) {
        for (const QChar c : text)
            out.append(c == u'\n' || c == u'\r' || c == u'\t' ? QChar(u' ') : c);
    };
    qsizetype at = 0;
    for (auto it = tag.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        appendText(QStringView(body).mid(at, m.capturedStart() - at));
        if (isBlockTag(m.capturedView(1)))
            out.append(QLatin1Char('\n'));
        at = m.capturedEnd();
    }
    appendText(QStringView(body).mid(at));
    return out;
}

// One space for each run of blanks inside a line, none between two wide
// characters; blank lines dropped.
QString tidy(const QString& text)
{
    QStringList lines;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.simplified();
        if (line.isEmpty())
            continue;
        QString joined;
        joined.reserve(line.size());
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c == QLatin1Char(' ') && i > 0 && i + 1 < line.size() && isWide(line.at(i - 1)) &&
                isWide(line.at(i + 1)))
                continue;
            joined.append(c);
        }
        lines.append(joined);
    }
    return lines.join(QLatin1Char('\n'));
}

QString firstMatch(const QString& html, const QString& element)
{
    const QRegularExpression re(QStringLiteral("<%1\\b[^>]*>(.*?)</%1\\s*>").arg(element),
                                QRegularExpression::CaseInsensitiveOption |
                                    QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(html);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

HtmlPageText HtmlPageText::fromHtml(const QString& html)
{
    HtmlPageText page;
    QString title = firstMatch(html, QStringLiteral("title"));
    if (title.trimmed().isEmpty())
        title = firstMatch(html, QStringLiteral("h1"));
    page.m_title =
        tidy(decodeEntities(stripTags(title))).replace(QLatin1Char('\n'), QLatin1Char(' '));
    // The breadcrumb line is navigation, and the heading that repeats the
    // title adds nothing to the text.
    static const QRegularExpression crumb(
        QStringLiteral("<p\\b[^>]*class=\"[^\"]*\\bcrumb\\b[^\"]*\"[^>]*>.*?</p\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString body = html;
    body.remove(crumb);
    page.m_text = tidy(decodeEntities(stripTags(body)));
    if (!page.m_title.isEmpty() && page.m_text.startsWith(page.m_title + QLatin1Char('\n')))
        page.m_text.remove(0, page.m_title.size() + 1);
    return page;
}

QString HtmlPageText::decodeEntities(const QString& text)
{
    static const QHash<QString, QString> named = [] {
        QHash<QString, QString> table;
        const QStringList pairs =
            QStringLiteral("amp & lt < gt > quot \" apos ' mdash — ndash – hellip … copy © times × "
                           "rarr → larr ← uarr ↑ darr ↓")
                .split(QLatin1Char(' '));
        for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
            table.insert(pairs.at(i), pairs.at(i + 1));
        table.insert(QStringLiteral("nbsp"), QStringLiteral(" "));
        return table;
    }();
    static const QRegularExpression entity(
        QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z][A-Za-z0-9]{1,31});"));

    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out.append(QStringView(text).mid(at, m.capturedStart() - at));
        at = m.capturedEnd();
        const QString name = m.captured(1);
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
            bool ok = false;
            const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                out.append(QString::fromUcs4(&c, 1));
                continue;
            }
        } else if (const auto found = named.constFind(name); found != named.constEnd()) {
            out.append(*found);
            continue;
        }
        out.append(m.capturedView(0));
    }
    out.append(QStringView(text).mid(at));
    return out;
}
