// SPDX-License-Identifier: MIT
#pragma once

#include "pagetextsearch.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QUrl;

// The finder's search tab: a line for the words, a button, and the pages that
// hold them, each with its title and the sentence where the words stand.
class HelpSearchPanel : public QWidget
{
    Q_OBJECT
public:
    explicit HelpSearchPanel(QWidget* parent = nullptr);

    // The pages to search: page address and its HTML.
    void setPages(const QList<std::pair<QUrl, QString>>& pages);

    // Runs a search as if the user had typed the words and pressed Enter.
    void search(const QString& words);

    const QList<PageHit>& hits() const { return m_hits; }
    QStringList words() const;
    QLineEdit* queryEdit() const { return m_query; }
    QTextBrowser* resultView() const { return m_results; }
    QString summary() const;

signals:
    // A result was chosen: show the page and mark the words.
    void pageRequested(const QUrl& url, const QStringList& words);

private:
    void runSearch();
    void showHits();
    void openResult(const QUrl& link);

    PageTextSearch m_search;
    QList<PageHit> m_hits;
    QString m_lastQuery;
    QLineEdit* m_query = nullptr;
    QPushButton* m_go = nullptr;
    QLabel* m_summary = nullptr;
    QTextBrowser* m_results = nullptr;
};
