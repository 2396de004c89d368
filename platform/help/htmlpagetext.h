// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The readable text of one help page: its title and its body with the tags
// stripped and the entities decoded. Blocks (paragraphs, headings, list items,
// table cells) end up on lines of their own; line breaks of the source
// between two Japanese characters vanish, as they do on screen. A breadcrumb
// paragraph (class "crumb") and a first heading that repeats the title are
// left out of the text.
class HtmlPageText
{
public:
    static HtmlPageText fromHtml(const QString& html);

    // <title>, else the first <h1>, else empty.
    const QString& title() const { return m_title; }
    const QString& text() const { return m_text; }

    // "&lt;" → "<", "&#x3042;" → "あ"; unknown entities are kept as written.
    static QString decodeEntities(const QString& text);

private:
    QString m_title;
    QString m_text;
};
