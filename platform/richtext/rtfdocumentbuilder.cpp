// SPDX-License-Identifier: MIT
#include "rtfdocumentbuilder.h"

#include "paragraphs.h"

#include <QTextDocument>

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument& document)
{
    document.clear();
    m_cursor = QTextCursor(&document);
    m_cursor.beginEditBlock();
}

RtfDocumentBuilder::~RtfDocumentBuilder()
{
    if (!m_finished)
        finish(Qt::AlignLeft);
}

void RtfDocumentBuilder::appendText(QStringView text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    insertPendingBreaks();
    if (format != m_runFormat && !m_run.isEmpty())
        flushRun();
    m_runFormat = format;

    qsizetype from = 0;
    while (m_paragraphLength + (text.size() - from) > paragraphs::kMaxLength) {
        const qsizetype room = paragraphs::kMaxLength - m_paragraphLength;
        const qsizetype cut = room > 0 ? paragraphs::breakPosition(text, from, room) : from;
        m_run += text.sliced(from, cut - from);
        flushRun();
        m_cursor.insertBlock(m_blockFormat, m_runFormat);
        m_paragraphLength = 0;
        from = cut;
    }
    m_run += text.sliced(from);
    m_paragraphLength += text.size() - from;
}

void RtfDocumentBuilder::endParagraph(Qt::Alignment alignment)
{
    insertPendingBreaks();
    flushRun();
    setAlignment(alignment);
    ++m_pendingBreaks;
    m_paragraphLength = 0;
}

void RtfDocumentBuilder::finish(Qt::Alignment alignment)
{
    if (m_finished)
        return;
    // The last paragraph end adds nothing after it; earlier ones are blank lines.
    if (m_pendingBreaks > 0) {
        --m_pendingBreaks;
        insertPendingBreaks();
    } else {
        flushRun();
        setAlignment(alignment);
    }
    m_cursor.endEditBlock();
    m_finished = true;
}

void RtfDocumentBuilder::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, m_runFormat);
    m_run.clear();
}

void RtfDocumentBuilder::insertPendingBreaks()
{
    for (; m_pendingBreaks > 0; --m_pendingBreaks)
        m_cursor.insertBlock(m_blockFormat, m_runFormat);
}

// Each new block takes m_blockFormat, the format of the block before it, so
// the alignment only needs setting where it changes.
void RtfDocumentBuilder::setAlignment(Qt::Alignment alignment)
{
    if (m_blockFormat.alignment() == alignment)
        return;
    m_blockFormat.setAlignment(alignment);
    m_cursor.setBlockFormat(m_blockFormat);
}
