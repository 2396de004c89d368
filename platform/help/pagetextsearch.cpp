// SPDX-License-Identifier: MIT
#include "pagetextsearch.h"

#include "htmlpagetext.h"

#include <QRegularExpression>
#include <algorithm>

namespace
{

constexpr int kTitleWeight = 10;
constexpr qsizetype kContextBefore = 30;
constexpr qsizetype kContextAfter = 60;

int countOf(const QString& haystack, const QString& needle)
{
    int count = 0;
    for (qsizetype at = haystack.indexOf(needle); at >= 0;
         at = haystack.indexOf(needle, at + needle.size()))
        ++count;
    return count;
}

} // namespace

void PageTextSearch::addPage(const QUrl& url, const QString& html)
{
    const HtmlPageText page = HtmlPageText::fromHtml(html);
    m_pages.append({url, page.title(), FoldedText::fold(page.title()), FoldedText(page.text())});
}

QStringList PageTextSearch::terms(const QString& query)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}]+"));
    return query.split(blanks, Qt::SkipEmptyParts);
}

QList<PageHit> PageTextSearch::search(const QString& query) const
{
    QStringList folded;
    for (const QString& term : terms(query)) {
        const QString f = FoldedText::fold(term);
        if (!f.isEmpty() && !folded.contains(f))
            folded.append(f);
    }
    if (folded.isEmpty())
        return {};

    QList<PageHit> hits;
    for (const Page& page : m_pages) {
        int score = 0;
        bool all = true;
        for (const QString& term : folded) {
            const int inText = countOf(page.text.folded(), term);
            const int inTitle = page.foldedTitle.contains(term) ? 1 : 0;
            if (inText + inTitle == 0) {
                all = false;
                break;
            }
            score += inText + kTitleWeight * inTitle;
        }
        if (all)
            hits.append(hitFor(page, folded, score));
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const PageHit& a, const PageHit& b) { return a.score > b.score; });
    return hits;
}

// The snippet: the line-joined text around the earliest match of any term,
// cut at the context lengths, with every match inside it marked.
PageHit PageTextSearch::hitFor(const Page& page, const QStringList& foldedTerms, int score)
{
    PageHit hit{page.url, page.title, {}, {}, score};
    const QString& text = page.text.folded();
    qsizetype first = -1;
    for (const QString& term : foldedTerms) {
        const qsizetype at = text.indexOf(term);
        if (at >= 0 && (first < 0 || at < first))
            first = at;
    }
    const QString& original = page.text.original();
    if (first < 0) { // only the title matched
        hit.snippet = original.left(kContextBefore + kContextAfter);
    } else {
        const qsizetype origin = page.text.originalStart(first);
        // Start at the beginning of the sentence or line when it is near.
        qsizetype from = qMax<qsizetype>(0, origin - kContextBefore);
        for (qsizetype i = origin - 1; i >= from; --i) {
            const QChar c = original.at(i);
            if (c == u'\n' || c == u'。' || c == u'．') {
                from = i + 1;
                break;
            }
        }
        const qsizetype to = qMin(original.size(), origin + kContextAfter);
        hit.snippet = original.mid(from, to - from);
        for (const QString& term : foldedTerms) {
            for (qsizetype at = text.indexOf(term); at >= 0;
                 at = text.indexOf(term, at + term.size())) {
                const qsizetype start = page.text.originalStart(at);
                const qsizetype end = page.text.originalEnd(at + term.size());
                if (start >= from && end <= to)
                    hit.marks.append({start - from, end - start});
            }
        }
        std::sort(hit.marks.begin(), hit.marks.end());
        // Overlapping matches of different terms become one mark.
        QList<std::pair<qsizetype, qsizetype>> merged;
        for (const auto& mark : hit.marks) {
            if (!merged.isEmpty() && mark.first <= merged.last().first + merged.last().second) {
                auto& last = merged.last();
                last.second = qMax(last.second, mark.first + mark.second - last.first);
            } else {
                merged.append(mark);
            }
        }
        hit.marks = merged;
        if (from > 0) {
            hit.snippet.prepend(QChar(0x2026));
            for (auto& mark : hit.marks)
                ++mark.first;
        }
        if (to < original.size())
            hit.snippet.append(QChar(0x2026));
    }
    hit.snippet.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return hit;
}
