// SPDX-License-Identifier: MIT
#pragma once

#include "lrclyrics.h"

#include <QString>
#include <QTextEdit>
#include <optional>

// The read-only rich text box of the lyrics window: shows an RTF file through
// RtfReader, any other file as plain text decoded by TextDecoder; plain text
// whose lines carry LRC time tags (and is not named .rtf) shows as LrcLyrics
// reads it, without its tags, in time order. Text wraps at the box's width; a
// vertical scroll bar appears as needed.
//
// The host places it with Left, Top, Width and Height in twips. The last value
// written is kept and read back exactly; the widget's pixel geometry is each
// value divided by twips::perPixel(this), rounded. (QWidget::width() and
// height() remain pixels; the twips are read with widthTwips() and such.)
class RichTextBox : public QTextEdit
{
    Q_OBJECT
public:
    // The most of a file that is loaded. A longer file shows its first
    // kMaxLoadBytes and a last line saying that the rest was left out, rather
    // than holding the user up and memory several times the file's size.
    static constexpr qint64 kMaxLoadBytes = 6 * 1024 * 1024;

    explicit RichTextBox(QWidget* parent = nullptr);

    // Shows the file at `path` in place of the current content: RTF when it
    // starts with "{\rtf" (after an optional UTF-8 byte order mark and blanks),
    // else plain text. A file that cannot be read raises AppError 53 (missing)
    // or 75 (any other failure: a directory, no permission, a read error),
    // with the application's name as source and the path and the system's
    // reason as description; the content shown stays as it was.
    void LoadFile(const QString& path);

    // The content as plain text, paragraphs separated by '\n'.
    QString text() const;

    // The time-tagged lyrics shown, whose positions are the document's; null
    // when the content is not time-tagged.
    const LrcLyrics* timedLyrics() const { return m_lyrics ? &*m_lyrics : nullptr; }

    // Twips. Negative or non-finite sizes (and non-finite positions) raise
    // AppError 380 and change nothing.
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    float leftTwips() const { return m_left; }
    float topTwips() const { return m_top; }
    float widthTwips() const { return m_width; }
    float heightTwips() const { return m_height; }

signals:
    // LoadFile() replaced the document.
    void contentReplaced();

private:
    void applyGeometry();

    std::optional<LrcLyrics> m_lyrics;

    float m_left = 0;
    float m_top = 0;
    float m_width = 0;
    float m_height = 0;
};
