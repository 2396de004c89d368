// SPDX-License-Identifier: MIT
#pragma once

#include "foldedtext.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <utility>

// One page that holds every word of a query.
struct PageHit {
    QUrl url;
    QString title;
    QString snippet;                              // a stretch of the page around the first match
    QList<std::pair<qsizetype, qsizetype>> marks; // matches in the snippet: start, length
    int score = 0;
};

// Full-text search of the help pages by substring, so that a Japanese word is
// found inside a sentence, where no word boundary marks it. Matching ignores
// case and the width of kana and Latin letters (see FoldedText). A query of
// several words, separated by blanks, finds the pages that hold all of them.
class PageTextSearch
{
public:
    // Adds a page; its title and text are taken from the HTML.
    void addPage(const QUrl& url, const QString& html);
    void clear() { m_pages.clear(); }
    qsizetype pageCount() const { return m_pages.size(); }

    // Best first: a word in the title counts most, then the number of matches;
    // pages that score the same keep the order they were added in.
    QList<PageHit> search(const QString& query) const;

    // The words of a query: split at ASCII and ideographic blanks.
    static QStringList terms(const QString& query);

private:
    struct Page {
        QUrl url;
        QString title;
        QString foldedTitle;
        FoldedText text;
    };

    static PageHit hitFor(const Page& page, const QStringList& foldedTerms, int score);

    QList<Page> m_pages;
};
