// SPDX-License-Identifier: MIT
#include "apperror.h"
#include "helpfile.h"
#include "helpviewer.h"
#include "playerfixture.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace
{

using Commands = PlayerTest;

// A main window whose resize handling fails with an error other than 384
// once armed, as any other failure of a size write would reach the command.
class FailingResize : public frmMeroSonx
{
public:
    using frmMeroSonx::frmMeroSonx;
    bool armed = false;

protected:
    void Form_Resize() override
    {
        if (armed)
            throw AppError(7, QStringLiteral("MeroSonxTest"), QStringLiteral("Out of memory"));
        frmMeroSonx::Form_Resize();
    }
};

TEST_F(Commands, SizeCommandShowsTheSourceOfAnyOtherError)
{
    FailingResize failing(dialogs, {}, dir.path());
    failing.show();
    failing.armed = true;
    failing.Compact_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].prompt, QStringLiteral("MeroSonxTest"));
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("ｴﾗｰ"));
    EXPECT_EQ(dialogs.messages[0].style, msgbox::kExclamation);
    EXPECT_EQ(failing.height(), 2850.0f) << "what was set before the failure stays";
    EXPECT_EQ(failing.width(), 4250.0f) << "the width write never came";

    // From a maximized window the retry fails in its turn: shown, not thrown.
    dialogs.messages.clear();
    failing.armed = false;
    failing.setWindowState(2);
    failing.armed = true;
    EXPECT_NO_THROW(failing.Nomal_Click());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    failing.armed = false;
}

TEST_F(Commands, AboutIsModalAndKeepsTheMainWindowFromInput)
{
    start();
    bool checked = false;
    QTimer::singleShot(0, form.get(), [&] {
        QWidget* modal = QApplication::activeModalWidget();
        EXPECT_EQ(modal, form->aboutBox().loadedWindow());
        EXPECT_EQ(form->aboutBox().caption(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        // A menu command of the main window is blocked meanwhile.
        EXPECT_TRUE(QApplication::activeModalWidget() != form->window());
        checked = true;
        form->aboutBox().unload();
    });
    form->menuItem("About")->trigger();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(form->aboutBox().isLoaded());
}

TEST_F(Commands, TopicsOpensTheHelpAtItsFinderBesideThePlayer)
{
    // The help collection built beside the programs.
    for (const QString& name : {kHelpFileName, QStringLiteral("MeroSonx.qch")})
        ASSERT_TRUE(QFile::copy(QStringLiteral(MERO_BIN_DIR "/") + name, dir.filePath(name)));
    start();
    form->menuItem("Topics")->trigger();
    HelpViewer* viewer = form->openDialog().helpLauncher().viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->isUsable());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(form->openDialog().helpFile(), helpFilePath(dir.path()));
    EXPECT_EQ(form->openDialog().helpCommand(), 11);
    EXPECT_EQ(form->caption(), QStringLiteral("Mero Sonx Ver3.0")) << "nothing else changes";
}

} // namespace
