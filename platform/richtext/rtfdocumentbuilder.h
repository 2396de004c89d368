// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

class QTextDocument;

// Builds a QTextDocument from the runs and paragraph ends of a reader. Text of
// one format is gathered and inserted in one piece, inside one edit block, so
// building takes time linear in the text. A paragraph longer than
// paragraphs::kMaxLength continues in a new one. The break of the last
// paragraph, which writers put before the closing brace, adds no empty line.
class RtfDocumentBuilder
{
public:
    // Clears `document`, which must outlive the builder.
    explicit RtfDocumentBuilder(QTextDocument& document);
    ~RtfDocumentBuilder();
    RtfDocumentBuilder(const RtfDocumentBuilder&) = delete;
    RtfDocumentBuilder& operator=(const RtfDocumentBuilder&) = delete;

    void appendText(QStringView text, const QTextCharFormat& format);
    // Ends the current paragraph, which takes `alignment`.
    void endParagraph(Qt::Alignment alignment);
    // Gives the last paragraph `alignment` and completes the document.
    void finish(Qt::Alignment alignment);

private:
    void flushRun();
    void insertPendingBreaks();
    void setAlignment(Qt::Alignment alignment);

    QTextCursor m_cursor;
    QString m_run;
    QTextCharFormat m_runFormat;
    qsizetype m_paragraphLength = 0; // characters in the current paragraph so far
    int m_pendingBreaks = 0;         // paragraph ends not yet inserted
    QTextBlockFormat m_blockFormat;  // of the cursor's block
    bool m_finished = false;
};
