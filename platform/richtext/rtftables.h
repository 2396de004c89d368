// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <map>

// The font and colour tables of an RTF document, and the code pages that the
// fonts and the document header give its bytes. Entries are read piece by
// piece as the reader meets them; each table holds at most kMaxEntries.
class RtfTables
{
public:
    static constexpr qsizetype kMaxEntries = 65536;

    struct Font {
        int charset = -1;   // \fcharset, -1 when not given
        int codePage = 0;   // \cpg, 0 when not given
        bool roman = false; // \froman: a serif face
        QString name;
    };

    // "\fN \fcharsetN \cpgN Name;": an entry begun by startFont ends with the
    // next one, with commitFont (at ';' or the end of its group), or not at all.
    void startFont(int index);
    void setFontCharset(int charset) { m_font.charset = charset; }
    void setFontCodePage(int codePage) { m_font.codePage = codePage; }
    void setFontRoman() { m_font.roman = true; }
    void appendToFontName(char byte);
    void commitFont();

    // "\redN\greenN\blueN;" (an entry without components: the automatic colour).
    void setColorComponent(int component, int value); // 0 red, 1 green, 2 blue
    void commitColor();
    // Invalid for the automatic colour and indexes beyond the table.
    QColor color(int index) const;

    // \ansicpg and such; a code page without a decoder is ignored.
    void setDocumentCodePage(int codePage);
    void setDefaultFont(int index) { m_defaultFont = index; }

    // The entry for `index` (-1: the default font), null if there is none.
    const Font* font(int index) const;
    // The code page of text in font `index`: its charset's, else its \cpg,
    // else the document's.
    int codePageOf(int fontIndex) const;
    int documentCodePage() const { return m_documentCodePage; }

    // Decodes `bytes` as a whole; a lead byte cut off at the end gives U+001A.
    QString decode(QByteArray bytes, int codePage);

    // Grows with each entry added, so that formats built from the tables can
    // tell that they are out of date.
    int revision() const { return m_revision; }

private:
    int m_documentCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    QList<QColor> m_colors;
    std::map<int, QStringDecoder> m_decoders;
    int m_revision = 0;

    bool m_fontOpen = false;
    int m_fontIndex = 0;
    Font m_font;
    QByteArray m_fontName;
    int m_rgb[3] = {0, 0, 0};
    bool m_colorGiven = false;
};
