// SPDX-License-Identifier: MIT
#include "helpbrowser.h"

#include <QDesktopServices>
#include <QHelpEngineCore>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace
{

bool isHelpUrl(const QUrl& url)
{
    return url.scheme() == QLatin1String("qthelp") || url.scheme().isEmpty() ||
           url.scheme() == QLatin1String("about");
}

} // namespace

HelpBrowser::HelpBrowser(QHelpEngineCore* engine, QWidget* parent)
    : QTextBrowser(parent), m_engine(engine)
{
    setOpenExternalLinks(false);
    setOpenLinks(true);
    setFrameShape(QFrame::NoFrame);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (!m_engine || name.scheme() != QLatin1String("qthelp"))
        return QTextBrowser::loadResource(type, name);
    QUrl file = name;
    file.setFragment({});
    const QByteArray data = m_engine->fileData(file);
    if (data.isEmpty()) {
        if (type == QTextDocument::HtmlResource)
            return QStringLiteral(
                       "<html><body><h2>ページが見つかりません</h2><p>%1</p></body></html>")
                .arg(name.toString().toHtmlEscaped());
        return {};
    }
    // Pages and the style sheet are UTF-8.
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
        return QString::fromUtf8(data);
    return data;
}

void HelpBrowser::doSetSource(const QUrl& url, QTextDocument::ResourceType type)
{
    if (isHelpUrl(url)) {
        QTextBrowser::doSetSource(url, type);
        return;
    }
    QDesktopServices::openUrl(url);
}

void HelpBrowser::showMessage(const QString& heading, const QStringList& paragraphs)
{
    QString html = QStringLiteral("<html><body style=\"font-size:10.5pt\">"
                                  "<h2 style=\"color:#a11111\">%1</h2>")
                       .arg(heading.toHtmlEscaped());
    for (const QString& paragraph : paragraphs)
        html += QStringLiteral("<p>%1</p>").arg(paragraph.toHtmlEscaped());
    clearHistory();
    setHtml(html + QStringLiteral("</body></html>"));
}

void HelpBrowser::highlight(const QStringList& words)
{
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat format;
    format.setBackground(QColor(0xff, 0xe0, 0x6b));
    for (const QString& word : words) {
        if (word.isEmpty())
            continue;
        for (QTextCursor at = document()->find(word); !at.isNull();
             at = document()->find(word, at)) {
            marks.append({at, format});
        }
    }
    setExtraSelections(marks);
    if (!marks.isEmpty()) {
        QTextCursor first = marks.first().cursor;
        for (const auto& mark : marks)
            if (mark.cursor.position() < first.position())
                first = mark.cursor;
        first.clearSelection();
        setTextCursor(first);
        // The first mark a little below the top, with its context above it.
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + cursorRect(first).top() - viewport()->height() / 4);
    }
}
