// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QUrl>

class HelpBrowser;
class HelpSearchPanel;
class QHelpEngine;
class QLineEdit;
class QTabWidget;
struct QHelpLink;

// The help window: the finder on the left (目次, キーワード, 検索) and the page
// on the right. It opens one collection; when the collection is missing or
// unusable it says so where the page would be.
class HelpViewer : public QMainWindow
{
    Q_OBJECT
public:
    enum class Finder { Contents, Keywords, Search };

    // `collectionPath`: the .qhc in the program directory. `cacheRoot`: where
    // the working copy goes (empty: the user's cache directory).
    explicit HelpViewer(const QString& collectionPath, const QString& cacheRoot = {},
                        QWidget* parent = nullptr);
    ~HelpViewer() override;

    const QString& collectionPath() const { return m_collectionPath; }
    // The file the engine opened: the working copy, or the original.
    QString enginePath() const;
    bool isUsable() const { return m_errorMessage.isEmpty(); }
    const QString& errorMessage() const { return m_errorMessage; }

    // Shows the finder's tab; Contents also goes to the first page.
    void showFinder(Finder finder);
    Finder currentFinder() const;
    void openPage(const QUrl& url);
    QUrl homePage() const { return m_home; }

    QHelpEngine* engine() const { return m_engine; }
    HelpBrowser* browser() const { return m_browser; }
    HelpSearchPanel* searchPanel() const { return m_search; }
    QLineEdit* keywordFilter() const { return m_keywordFilter; }

signals:
    // The contents tree has been read from the collection.
    void contentsReady();
    // The keyword list has been read from the collection.
    void keywordsReady();

private:
    void buildFinder();
    void buildToolBar();
    void loadCollection();
    void showKeywordChoices(const QList<QHelpLink>& links);
    void followPage(const QUrl& url);

    QString m_collectionPath;
    QString m_errorMessage;
    QUrl m_home;
    QHelpEngine* m_engine = nullptr;
    HelpBrowser* m_browser = nullptr;
    QTabWidget* m_finder = nullptr;
    HelpSearchPanel* m_search = nullptr;
    QLineEdit* m_keywordFilter = nullptr;
};
