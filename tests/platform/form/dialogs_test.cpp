// SPDX-License-Identifier: MIT
// Qt's own file dialog as the programs show it: in Japanese whatever the
// session's locale, with columns that show their texts whole.
#include "dialogs.h"
#include "qttranslations.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <clocale>
#include <functional>
#include <gtest/gtest.h>

namespace
{

class JapaneseDialogs : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(installJapaneseQtTranslations().isEmpty()); }

    // Shows QtDialogs' open dialog on `folder`, runs `inspect` on it once it
    // shows `rows` entries of the folder, then cancels it.
    static void inspectOpenDialog(const QString& folder, int rows, const QString& title,
                                  const std::function<void(QFileDialog&)>& inspect)
    {
        bool inspected = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no modal file dialog";
                return;
            }
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            EXPECT_TRUE(QTest::qWaitFor([view, rows] {
                return view && view->model()->rowCount(view->rootIndex()) >= rows;
            }));
            QCoreApplication::processEvents();
            inspect(*dialog);
            inspected = true;
            dialog->reject();
        });
        QtDialogs dialogs(QStringLiteral("テスト"));
        OpenFileRequest request;
        request.title = title;
        request.initialPath = folder;
        request.nameFilters = {QStringLiteral("すべてのファイル(*.*)")};
        request.patterns = {{QStringLiteral("*.*")}};
        EXPECT_FALSE(dialogs.openFile(request).has_value());
        EXPECT_TRUE(inspected);
    }

    static QStringList texts(const QFileDialog& dialog)
    {
        QStringList found;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            found << label->text();
        for (const QPushButton* button : dialog.findChildren<QPushButton*>())
            found << button->text();
        return found;
    }
};

TEST_F(JapaneseDialogs, OpenDialogSpeaksJapaneseUnderAnEnglishLocale)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::C) << "run with LANG=C";
    QTemporaryDir dir;
    inspectOpenDialog(dir.path(), 0, {}, [](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("開く")) << "the platform's own title";
        const QStringList shown = texts(dialog);
        for (const char* expected :
             {"ファイル名(&N):", "ファイルの種類:", "開く(&O)", "キャンセル"})
            EXPECT_TRUE(shown.contains(QString::fromUtf8(expected)))
                << expected << " in " << shown.join(u'|').toStdString();
        for (const QString& text : shown)
            EXPECT_FALSE(text == u"Cancel" || text == u"&Open" || text == u"File &name:")
                << text.toStdString();
    });
    inspectOpenDialog(dir.path(), 0, QStringLiteral("ファイルの選択"), [](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ファイルの選択"));
    });
}

TEST_F(JapaneseDialogs, DetailColumnsShowTheirTextsWholeAtTheFirstSize)
{
    QTemporaryDir dir;
    const QDateTime stamp(QDate(2021, 11, 23), QTime(21, 45));
    for (const auto& [name, size] : {std::pair{"tone.mp3", 19968}, {"長い名前の曲.wav", 2000000}}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("フォルダー")));

    inspectOpenDialog(dir.path(), 3, {}, [&](QFileDialog& dialog) {
        auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(view && view->isVisible()) << "the detail view";
        QAbstractItemModel* model = view->model();
        const QModelIndex root = view->rootIndex();
        QStringList dates;
        QStringList types;
        int total = 0;
        for (int column = 0; column < 4; ++column) {
            const int width = view->header()->sectionSize(column);
            total += width;
            for (int row = 0; row < model->rowCount(root); ++row) {
                const QModelIndex index = model->index(row, column, root);
                QStyleOptionViewItem option;
                option.initFrom(view);
                option.font = view->font();
                const int needed = view->itemDelegate()->sizeHint(option, index).width();
                EXPECT_GE(width, needed)
                    << "column " << column << ": " << index.data().toString().toStdString();
                if (column == 3)
                    dates << index.data().toString();
                if (column == 2)
                    types << index.data().toString();
            }
        }
        EXPECT_LE(total, view->viewport()->width()) << "no sideways scrolling";
        EXPECT_TRUE(dates.contains(QStringLiteral("2021/11/23 21:45")))
            << dates.join(u'|').toStdString();
        EXPECT_TRUE(types.contains(QStringLiteral("フォルダ"))) << types.join(u'|').toStdString();
    });
}

TEST_F(JapaneseDialogs, NumbersKeepTheCFormatting)
{
    // libmpv's options and Settei.dat depend on it.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(QString::number(1234.5), QStringLiteral("1234.5"));
    EXPECT_EQ(QByteArray::number(-1200), QByteArray("-1200"));
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
}

} // namespace
