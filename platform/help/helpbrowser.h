// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QTextBrowser>

class QHelpEngineCore;

// Shows help pages: qthelp:// addresses and everything they refer to (the
// style sheet, images) come from the help engine; web and mail links go to
// the desktop's browser or mail program instead of replacing the page.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    explicit HelpBrowser(QHelpEngineCore* engine, QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;

    // Shows a message in place of a page (a missing collection, a missing page).
    void showMessage(const QString& heading, const QStringList& paragraphs);

    // Marks every occurrence of the words on the current page and scrolls to
    // the first one; an empty list clears the marks.
    void highlight(const QStringList& words);

protected:
    void doSetSource(const QUrl& url, QTextDocument::ResourceType type) override;

private:
    QHelpEngineCore* m_engine = nullptr;
};
