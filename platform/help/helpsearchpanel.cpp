// SPDX-License-Identifier: MIT
#include "helpsearchpanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

// The snippet as HTML with its matches in bold.
QString markedSnippet(const PageHit& hit)
{
    QString html;
    qsizetype at = 0;
    for (const auto& [start, length] : hit.marks) {
        html += hit.snippet.mid(at, start - at).toHtmlEscaped();
        html += QStringLiteral("<b style=\"background-color:#fff0a8\">%1</b>")
                    .arg(hit.snippet.mid(start, length).toHtmlEscaped());
        at = start + length;
    }
    return html + hit.snippet.mid(at).toHtmlEscaped();
}

} // namespace

HelpSearchPanel::HelpSearchPanel(QWidget* parent) : QWidget(parent)
{
    m_query = new QLineEdit(this);
    m_query->setPlaceholderText(QStringLiteral("探す言葉（例: 音量）"));
    m_query->setClearButtonEnabled(true);
    m_query->setAccessibleName(QStringLiteral("検索する言葉"));
    m_go = new QPushButton(QStringLiteral("検索"), this);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_summary->setTextFormat(Qt::PlainText);
    m_results = new QTextBrowser(this);
    m_results->setOpenLinks(false);
    m_results->setAccessibleName(QStringLiteral("検索結果"));

    auto* line = new QHBoxLayout;
    line->addWidget(m_query, 1);
    line->addWidget(m_go);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 6, 4, 4);
    layout->addLayout(line);
    layout->addWidget(m_summary);
    layout->addWidget(m_results, 1);

    connect(m_query, &QLineEdit::returnPressed, this, &HelpSearchPanel::runSearch);
    connect(m_go, &QPushButton::clicked, this, &HelpSearchPanel::runSearch);
    connect(m_results, &QTextBrowser::anchorClicked, this, &HelpSearchPanel::openResult);
}

void HelpSearchPanel::setPages(const QList<std::pair<QUrl, QString>>& pages)
{
    m_search.clear();
    for (const auto& [url, html] : pages)
        m_search.addPage(url, html);
}

void HelpSearchPanel::search(const QString& words)
{
    m_query->setText(words);
    runSearch();
}

QStringList HelpSearchPanel::words() const
{
    return PageTextSearch::terms(m_lastQuery);
}

QString HelpSearchPanel::summary() const
{
    return m_summary->text();
}

void HelpSearchPanel::runSearch()
{
    m_lastQuery = m_query->text();
    m_hits = m_search.search(m_lastQuery);
    showHits();
}

void HelpSearchPanel::showHits()
{
    if (PageTextSearch::terms(m_lastQuery).isEmpty()) {
        m_summary->setText(QStringLiteral("探す言葉を入力してください。"));
        m_results->clear();
        return;
    }
    if (m_hits.isEmpty()) {
        m_summary->setText(QStringLiteral("「%1」を含むページは見つかりませんでした。")
                               .arg(m_lastQuery.trimmed()));
        m_results->clear();
        return;
    }
    m_summary->setText(QStringLiteral("%1 ページ見つかりました。").arg(m_hits.size()));
    QString html = QStringLiteral("<html><body>");
    for (qsizetype i = 0; i < m_hits.size(); ++i) {
        const PageHit& hit = m_hits.at(i);
        html += QStringLiteral("<p style=\"margin-bottom:10px\"><a href=\"%1\">%2</a><br>"
                               "<span style=\"color:#555\">%3</span></p>")
                    .arg(hit.url.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                         hit.title.toHtmlEscaped(), markedSnippet(hit));
    }
    m_results->setHtml(html + QStringLiteral("</body></html>"));
}

void HelpSearchPanel::openResult(const QUrl& link)
{
    emit pageRequested(link, words());
}
