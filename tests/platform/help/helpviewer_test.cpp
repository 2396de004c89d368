// SPDX-License-Identifier: MIT
// The help collection as built, and the help window that shows it.
#include "helpbrowser.h"
#include "helpcollection.h"
#include "helpfile.h"
#include "helplauncher.h"
#include "helpsearchpanel.h"
#include "helpviewer.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>
#include <map>
#include <sys/mount.h>
#include <unistd.h>

// Readable failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace
{

const QString kBuiltCollection = QStringLiteral(MERO_BIN_DIR "/") + kHelpFileName;

bool contentsLoaded(HelpViewer& viewer)
{
    QHelpContentModel* model = viewer.engine()->contentModel();
    return QTest::qWaitFor(
        [model] { return !model->isCreatingContents() && model->rowCount() > 0; }, 10000);
}

bool keywordsLoaded(HelpViewer& viewer)
{
    QHelpIndexModel* model = viewer.engine()->indexModel();
    return QTest::qWaitFor([model] { return !model->isCreatingIndex() && model->rowCount() > 0; },
                           10000);
}

QStringList pagesOf(const QList<PageHit>& hits)
{
    QStringList pages;
    for (const PageHit& hit : hits)
        pages.append(hit.url.fileName());
    return pages;
}

// Every file of a directory tree with its bytes and modification time.
using Snapshot = std::map<QString, std::pair<QByteArray, QDateTime>>;
Snapshot snapshot(const QString& dir)
{
    Snapshot files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[path] = {file.readAll(), it.fileInfo().lastModified()};
    }
    return files;
}

// The files added, removed or changed between two snapshots.
QStringList changedFiles(const Snapshot& before, const Snapshot& after)
{
    QStringList changed;
    for (const auto& [path, state] : after)
        if (!before.count(path) || before.at(path) != state)
            changed.append(path);
    for (const auto& [path, state] : before)
        if (!after.count(path))
            changed.append(path);
    return changed;
}

// A program directory of its own, holding a copy of the built collection.
class HelpViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        program = tmp.filePath(QStringLiteral("program"));
        cache = tmp.filePath(QStringLiteral("cache"));
        ASSERT_TRUE(QDir().mkpath(program));
        ASSERT_TRUE(installCollection(program));
    }
    static bool installCollection(const QString& dir)
    {
        const QString qch = QStringLiteral("MeroSonx.qch");
        return QFile::copy(kBuiltCollection, dir + QLatin1Char('/') + kHelpFileName) &&
               QFile::copy(QStringLiteral(MERO_BIN_DIR "/") + qch, dir + QLatin1Char('/') + qch);
    }
    QString collection() const { return helpFilePath(program); }

    QTemporaryDir tmp;
    QString program;
    QString cache;
};

} // namespace

TEST(HelpCollectionBuild, SitsInTheProgramDirectoryUnderTheExportedName)
{
    ASSERT_TRUE(QFileInfo(kBuiltCollection).isFile()) << kBuiltCollection.toStdString();
    QHelpEngineCore engine(kBuiltCollection);
    ASSERT_TRUE(engine.setupData());
    EXPECT_EQ(engine.registeredDocumentations(), QStringList{QStringLiteral("merosonx.help")});
    EXPECT_TRUE(QFileInfo(engine.documentationFileName(QStringLiteral("merosonx.help"))).isFile());
}

TEST_F(HelpViewerTest, ContentsListEveryPageUnderTheOverview)
{
    HelpViewer viewer(collection(), cache);
    ASSERT_TRUE(viewer.isUsable()) << viewer.errorMessage().toStdString();
    ASSERT_TRUE(contentsLoaded(viewer));
    QHelpContentModel* model = viewer.engine()->contentModel();
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex root = model->index(0, 0);
    EXPECT_EQ(model->data(root, Qt::DisplayRole).toString(), QStringLiteral("Mero Sonx ヘルプ"));

    QStringList titles;
    for (int row = 0; row < model->rowCount(root); ++row) {
        QHelpContentItem* item = model->contentItemAt(model->index(row, 0, root));
        titles.append(item->title());
        // Each entry leads to a page that exists and carries the same title.
        const QString html = QString::fromUtf8(viewer.engine()->fileData(item->url()));
        EXPECT_TRUE(html.contains(QStringLiteral("<title>%1</title>").arg(item->title())))
            << item->url().toString().toStdString();
    }
    for (const char* expected :
         {"ファイルを開いて再生する", "操作（コントロールバーとキー）", "ウィンドウの形",
          "ウィンドウの位置", "インフォメーションの表示", "歌詞ウィンドウ", "バージョン情報",
          "設定ファイル（Settei.dat）", "設定戻し（Return）", "困ったときは"})
        EXPECT_TRUE(titles.contains(QString::fromUtf8(expected))) << expected;

    // The window opens on the overview, with the style sheet applied.
    EXPECT_TRUE(viewer.browser()->source().path().endsWith(QLatin1String("/index.html")));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Mero Sonx ヘルプ")));
    EXPECT_FALSE(
        viewer.engine()
            ->fileData(viewer.browser()->source().resolved(QUrl(QStringLiteral("style.css"))))
            .isEmpty());

    // Choosing an entry shows its page and keeps the tree on it.
    const QUrl lyrics = model->contentItemAt(model->index(5, 0, root))->url();
    emit viewer.engine()->contentWidget()->linkActivated(lyrics);
    EXPECT_EQ(viewer.browser()->source(), lyrics);
    EXPECT_EQ(viewer.engine()->contentWidget()->currentIndex(),
              viewer.engine()->contentWidget()->indexOf(lyrics));
}

TEST_F(HelpViewerTest, KeywordIndexFindsJapaneseEntries)
{
    HelpViewer viewer(collection(), cache);
    ASSERT_TRUE(keywordsLoaded(viewer));
    const QList<QHelpLink> volume = viewer.engine()->documentsForKeyword(QStringLiteral("音量"));
    ASSERT_EQ(volume.size(), 1);
    EXPECT_EQ(volume.first().url.fileName(), QStringLiteral("controls.html"));

    // Typing in the filter narrows the list; Enter opens the entry.
    viewer.showFinder(HelpViewer::Finder::Keywords);
    viewer.keywordFilter()->setText(QStringLiteral("歌詞ウ")); // as an input method commits it
    const QStringList shown = viewer.engine()->indexModel()->stringList();
    EXPECT_EQ(shown, QStringList{QStringLiteral("歌詞ウィンドウ")});
    QTest::keyClick(viewer.keywordFilter(), Qt::Key_Return);
    EXPECT_EQ(viewer.browser()->source().fileName(), QStringLiteral("lyrics.html"));
}

TEST_F(HelpViewerTest, SearchFindsJapaneseWordsInThePages)
{
    HelpViewer viewer(collection(), cache);
    ASSERT_TRUE(viewer.isUsable());
    HelpSearchPanel* search = viewer.searchPanel();

    search->search(QStringLiteral("音量"));
    const QStringList volume = pagesOf(search->hits());
    ASSERT_FALSE(volume.isEmpty());
    EXPECT_EQ(volume.first(), QStringLiteral("controls.html"));
    EXPECT_TRUE(volume.contains(QStringLiteral("trouble.html")));
    EXPECT_FALSE(volume.contains(QStringLiteral("settings.html")));

    search->search(QStringLiteral("再生"));
    const QStringList play = pagesOf(search->hits());
    ASSERT_GE(play.size(), 2);
    EXPECT_EQ(play.first(), QStringLiteral("open.html"));
    EXPECT_TRUE(play.contains(QStringLiteral("controls.html")));
    for (const PageHit& hit : search->hits())
        EXPECT_FALSE(hit.marks.isEmpty()) << hit.url.toString().toStdString();

    search->search(QStringLiteral("Settei.dat 書式"));
    EXPECT_EQ(pagesOf(search->hits()).value(0), QStringLiteral("settings.html"));

    // A result opens its page with the words marked.
    search->search(QStringLiteral("歌詞"));
    ASSERT_FALSE(search->hits().isEmpty());
    const QUrl first = search->hits().first().url;
    EXPECT_EQ(first.fileName(), QStringLiteral("lyrics.html"));
    emit search->resultView()->anchorClicked(first);
    EXPECT_EQ(viewer.browser()->source(), first);
    EXPECT_FALSE(viewer.browser()->extraSelections().isEmpty());

    search->search(QStringLiteral("ボサノバ"));
    EXPECT_TRUE(search->hits().isEmpty());
    EXPECT_TRUE(search->summary().contains(QStringLiteral("見つかりませんでした")));
}

TEST_F(HelpViewerTest, WorksOnACopyAndNeverWritesBesideTheOriginal)
{
    const Snapshot before = snapshot(program);
    {
        HelpViewer viewer(collection(), cache);
        ASSERT_TRUE(viewer.isUsable());
        EXPECT_TRUE(viewer.enginePath().startsWith(cache)) << viewer.enginePath().toStdString();
        ASSERT_TRUE(contentsLoaded(viewer));
        ASSERT_TRUE(keywordsLoaded(viewer));
        viewer.searchPanel()->search(QStringLiteral("設定"));
        EXPECT_FALSE(viewer.searchPanel()->hits().isEmpty());
    }
    const QStringList changed = changedFiles(before, snapshot(program));
    EXPECT_TRUE(changed.isEmpty()) << changed.join(QLatin1Char(' ')).toStdString();

    // The copy is kept for the next window, and made again once the original
    // is newer than it.
    HelpCollection prepared(collection(), cache);
    ASSERT_TRUE(prepared.prepare());
    const QString copy = prepared.enginePath();
    ASSERT_EQ(copy, prepared.copyPath());
    {
        QHelpEngineCore mark(copy);
        mark.setReadOnly(false);
        ASSERT_TRUE(mark.setupData());
        ASSERT_TRUE(mark.setCustomValue(QStringLiteral("mark"), 1));
    }
    const auto marked = [&copy] {
        QHelpEngineCore engine(copy);
        return engine.setupData() && engine.customValue(QStringLiteral("mark")).toInt() == 1;
    };
    ASSERT_TRUE(prepared.prepare());
    EXPECT_TRUE(marked());

    QFile original(prepared.sourcePath());
    ASSERT_TRUE(original.open(QIODevice::ReadWrite));
    ASSERT_TRUE(original.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
    original.close();
    ASSERT_TRUE(prepared.prepare());
    EXPECT_EQ(prepared.enginePath(), copy);
    EXPECT_FALSE(marked());
}

TEST_F(HelpViewerTest, OpensFromAReadOnlyFileSystem)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a read-only file system needs root";
    const QString mountPoint = tmp.filePath(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    const QByteArray target = QFile::encodeName(mountPoint);
    if (mount("tmpfs", target.constData(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QByteArray target;
        ~Unmount() { umount2(target.constData(), MNT_DETACH); }
    } unmount{target};
    ASSERT_TRUE(installCollection(mountPoint));
    ASSERT_EQ(mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    ASSERT_FALSE(QFile(mountPoint + QStringLiteral("/probe")).open(QIODevice::WriteOnly));

    HelpViewer viewer(helpFilePath(mountPoint), cache);
    ASSERT_TRUE(viewer.isUsable()) << viewer.errorMessage().toStdString();
    EXPECT_TRUE(viewer.enginePath().startsWith(cache));
    ASSERT_TRUE(contentsLoaded(viewer));
    ASSERT_TRUE(keywordsLoaded(viewer));
    viewer.searchPanel()->search(QStringLiteral("音量"));
    EXPECT_EQ(pagesOf(viewer.searchPanel()->hits()).value(0), QStringLiteral("controls.html"));
}

TEST_F(HelpViewerTest, MissingOrBrokenCollectionIsExplainedInTheWindow)
{
    const QString missing = tmp.filePath(QStringLiteral("nowhere/MeroSonx.qhc"));
    HelpViewer absent(missing, cache);
    EXPECT_FALSE(absent.isUsable());
    const QString expected =
        QStringLiteral("ヘルプファイルが見つかりません: %1").arg(QDir::toNativeSeparators(missing));
    EXPECT_EQ(absent.errorMessage(), expected);
    EXPECT_TRUE(absent.browser()->toPlainText().contains(expected));
    absent.showFinder(HelpViewer::Finder::Contents); // nothing to open, nothing breaks

    QFile::remove(collection());
    QFile garbage(collection());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    HelpViewer broken(collection(), cache);
    EXPECT_FALSE(broken.isUsable());
    EXPECT_TRUE(
        broken.browser()->toPlainText().contains(QStringLiteral("ヘルプファイルを開けません")));

    // A collection whose documentation file has gone.
    ASSERT_TRUE(QFile::remove(collection()));
    ASSERT_TRUE(QFile::copy(kBuiltCollection, collection()));
    ASSERT_TRUE(QFile::remove(program + QStringLiteral("/MeroSonx.qch")));
    HelpViewer orphan(collection(), cache);
    EXPECT_FALSE(orphan.isUsable());
    EXPECT_TRUE(orphan.errorMessage().contains(QStringLiteral("MeroSonx.qch")));
}

TEST_F(HelpViewerTest, LauncherShowsOneModelessWindowAtTheFinder)
{
    HelpLauncher launcher(cache);
    HelpViewer* viewer = launcher.showHelp(collection(), HelpLauncher::kFinder);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Mero Sonx ヘルプ"));
    EXPECT_EQ(viewer->currentFinder(), HelpViewer::Finder::Contents);
    EXPECT_EQ(viewer->browser()->source(), viewer->homePage());

    // Asked again, after reading elsewhere: the same window, back at the contents.
    viewer->searchPanel()->search(QStringLiteral("音量"));
    viewer->showFinder(HelpViewer::Finder::Search);
    viewer->openPage(viewer->searchPanel()->hits().first().url);
    EXPECT_EQ(launcher.showHelp(collection(), HelpLauncher::kFinder), viewer);
    EXPECT_EQ(viewer->currentFinder(), HelpViewer::Finder::Contents);
    EXPECT_EQ(viewer->browser()->source(), viewer->homePage());

    // Closed by the user, it comes back; the keyword command opens that tab.
    viewer->close();
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(launcher.showHelp(collection(), HelpLauncher::kKey), viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->currentFinder(), HelpViewer::Finder::Keywords);

    EXPECT_EQ(launcher.showHelp(collection(), HelpLauncher::kQuit), nullptr);
    EXPECT_FALSE(viewer->isVisible());

    // Another file replaces the window.
    HelpViewer* other =
        launcher.showHelp(tmp.filePath(QStringLiteral("elsewhere/MeroSonx.qhc")), 1);
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->isUsable());
    EXPECT_TRUE(other->isVisible());
    EXPECT_EQ(launcher.viewer(), other);
}
