// SPDX-License-Identifier: MIT
#include "helpviewer.h"

#include "helpbrowser.h"
#include "helpcollection.h"
#include "helpfile.h"
#include "helpsearchpanel.h"

#include <QAction>
#include <QCursor>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace
{

constexpr int kContentsTab = 0;
constexpr int kKeywordsTab = 1;
constexpr int kSearchTab = 2;

} // namespace

HelpViewer::HelpViewer(const QString& collectionPath, const QString& cacheRoot, QWidget* parent)
    : QMainWindow(parent), m_collectionPath(collectionPath)
{
    setWindowTitle(QStringLiteral("Mero Sonx ヘルプ"));
    resize(940, 660);

    HelpCollection collection(collectionPath, cacheRoot);
    const bool found = collection.prepare();
    m_engine = new QHelpEngine(found ? collection.enginePath() : QString(), this);
    // The working copy is ours to update; the original is only read.
    m_engine->setReadOnly(!collection.usesCopy());
    m_engine->setUsesFilterEngine(true);
    if (!found)
        m_errorMessage = collection.message();
    else if (!m_engine->setupData())
        m_errorMessage = QStringLiteral("ヘルプファイルを開けません: %1")
                             .arg(QDir::toNativeSeparators(collectionPath));

    m_browser = new HelpBrowser(m_engine, this);
    buildFinder();
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_finder);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 660});
    setCentralWidget(splitter);
    buildToolBar();

    if (isUsable())
        loadCollection();
    if (!isUsable()) {
        m_finder->setEnabled(false);
        m_browser->showMessage(
            QStringLiteral("ヘルプを表示できません"),
            {m_errorMessage,
             QStringLiteral(
                 "プログラムのフォルダーに %1 と、その .qch ファイルがあるか確かめてください。")
                 .arg(kHelpFileName)});
    }
}

HelpViewer::~HelpViewer() = default;

QString HelpViewer::enginePath() const
{
    return m_engine->collectionFile();
}

void HelpViewer::buildFinder()
{
    m_finder = new QTabWidget(this);
    m_finder->setDocumentMode(true);

    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setHeaderHidden(true);
    m_finder->insertTab(kContentsTab, contents, QStringLiteral("目次"));
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpViewer::openPage);
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        m_engine->contentWidget()->expandToDepth(0);
        followPage(m_browser->source());
        emit contentsReady();
    });

    auto* keywords = new QWidget(this);
    m_keywordFilter = new QLineEdit(keywords);
    m_keywordFilter->setPlaceholderText(QStringLiteral("キーワードを入力"));
    m_keywordFilter->setClearButtonEnabled(true);
    m_keywordFilter->setAccessibleName(QStringLiteral("キーワード"));
    QHelpIndexWidget* index = m_engine->indexWidget();
    auto* keywordLayout = new QVBoxLayout(keywords);
    keywordLayout->setContentsMargins(4, 6, 4, 4);
    keywordLayout->addWidget(m_keywordFilter);
    keywordLayout->addWidget(index, 1);
    m_finder->insertTab(kKeywordsTab, keywords, QStringLiteral("キーワード"));
    connect(m_keywordFilter, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(m_keywordFilter, &QLineEdit::returnPressed, index,
            &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link) { openPage(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this, &HelpViewer::showKeywordChoices);
    connect(m_engine->indexModel(), &QHelpIndexModel::indexCreated, this,
            &HelpViewer::keywordsReady);

    m_search = new HelpSearchPanel(this);
    m_finder->insertTab(kSearchTab, m_search, QStringLiteral("検索"));
    connect(m_search, &HelpSearchPanel::pageRequested, this,
            [this](const QUrl& url, const QStringList& words) {
                openPage(url);
                m_browser->highlight(words);
            });

    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpViewer::followPage);
}

void HelpViewer::buildToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("移動"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                   QStringLiteral("戻る"), m_browser, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                      QStringLiteral("進む"), m_browser, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    QAction* home =
        bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("ホーム"),
                       this, [this] { showFinder(Finder::Contents); });
    home->setEnabled(isUsable());
    QAction* find = addAction(QStringLiteral("検索"), this, [this] { showFinder(Finder::Search); });
    find->setShortcut(QKeySequence::Find);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
}

// Finds the pages of every documentation in the collection: the first
// "index.html" is the home page, and all pages feed the search tab.
void HelpViewer::loadCollection()
{
    QList<std::pair<QUrl, QString>> pages;
    for (const QString& ns : m_engine->registeredDocumentations()) {
        for (const QUrl& url : m_engine->files(ns, QString(), QStringLiteral("html"))) {
            pages.append({url, QString::fromUtf8(m_engine->fileData(url))});
            if (m_home.isEmpty() && url.path().endsWith(QLatin1String("/index.html")))
                m_home = url;
        }
    }
    if (pages.isEmpty()) {
        m_errorMessage = QStringLiteral("ヘルプファイルにページがありません: %1")
                             .arg(QDir::toNativeSeparators(m_collectionPath));
        return;
    }
    if (m_home.isEmpty())
        m_home = pages.first().first;
    m_search->setPages(pages);
    m_browser->setSource(m_home);
}

void HelpViewer::showFinder(Finder finder)
{
    switch (finder) {
    case Finder::Contents:
        m_finder->setCurrentIndex(kContentsTab);
        if (isUsable())
            openPage(m_home);
        m_engine->contentWidget()->setFocus();
        break;
    case Finder::Keywords:
        m_finder->setCurrentIndex(kKeywordsTab);
        m_keywordFilter->setFocus();
        break;
    case Finder::Search:
        m_finder->setCurrentIndex(kSearchTab);
        m_search->queryEdit()->setFocus();
        m_search->queryEdit()->selectAll();
        break;
    }
}

HelpViewer::Finder HelpViewer::currentFinder() const
{
    switch (m_finder->currentIndex()) {
    case kKeywordsTab:
        return Finder::Keywords;
    case kSearchTab:
        return Finder::Search;
    default:
        return Finder::Contents;
    }
}

void HelpViewer::openPage(const QUrl& url)
{
    if (!url.isValid() || !isUsable())
        return;
    if (url == m_browser->source())
        m_browser->reload();
    else
        m_browser->setSource(url);
}

// Keeps the contents tree on the page shown, and drops the search marks of
// the page before.
void HelpViewer::followPage(const QUrl& url)
{
    m_browser->highlight({});
    QUrl page = url;
    page.setFragment({});
    QHelpContentWidget* contents = m_engine->contentWidget();
    const QModelIndex item = contents->indexOf(page);
    if (item.isValid())
        contents->setCurrentIndex(item);
}

// A keyword that stands for several pages: the user picks one.
void HelpViewer::showKeywordChoices(const QList<QHelpLink>& links)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const QHelpLink& link : links) {
        const QUrl url = link.url;
        menu->addAction(link.title.isEmpty() ? url.fileName() : link.title, this,
                        [this, url] { openPage(url); });
    }
    menu->popup(QCursor::pos());
}
