// SPDX-License-Identifier: MIT
#include "playerfixture.h"
#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

namespace
{

using SizeModes = PlayerTest;
using Placement = PlayerTest;

void expectPlayerFits(frmMeroSonx& form)
{
    EXPECT_EQ(form.player()->widthTwips(), form.width() - 100);
    EXPECT_EQ(form.player()->heightTwips(), form.height() - 700);
    EXPECT_EQ(form.player()->displaySize(), 4);
}

TEST_F(SizeModes, FixedSizesFromEveryStateAndBothInformationStates)
{
    start();
    struct Case {
        void (frmMeroSonx::*command)();
        float shown, hidden, width;
    };
    const Case modes[] = {{&frmMeroSonx::Compact_Click, 2850, 1395, 4305},
                          {&frmMeroSonx::Nomal_Click, 5565, 4110, 4300}};
    for (const Case& mode : modes) {
        for (bool shown : {true, false}) {
            if (form->informationShown() != shown)
                form->Infor表示_Click();
            for (int state : {0, 1, 2}) {
                form->setWindowState(state);
                (form.get()->*mode.command)();
                EXPECT_TRUE(dialogs.messages.empty()) << "384 is recovered silently";
                EXPECT_EQ(form->windowState(), 0);
                EXPECT_EQ(form->height(), shown ? mode.shown : mode.hidden);
                EXPECT_EQ(form->width(), mode.width);
                expectPlayerFits(*form);
            }
        }
    }
    // Compact with the information hidden: the control bar alone, 695 high.
    EXPECT_FALSE(form->informationShown());
    form->Compact_Click();
    EXPECT_EQ(form->player()->heightTwips(), 695.0f);
    EXPECT_EQ(form->player()->widthTwips(), 4205.0f);
}

TEST_F(SizeModes, MinimizeAndMaximizeOnlyChangeTheState)
{
    writeSettings("5565,4300,0,450,600,-1");
    start();
    form->Big_Click();
    EXPECT_EQ(form->windowState(), 2);
    ASSERT_TRUE(waitFor([&] { return form->width() > 6000; }));
    ASSERT_TRUE(waitFor([&] { return form->player()->widthTwips() == form->width() - 100; }));
    expectPlayerFits(*form);
    const float maxPlayerWidth = form->player()->widthTwips();
    form->Small_Click();
    EXPECT_EQ(form->windowState(), 1);
    EXPECT_EQ(form->player()->widthTwips(), maxPlayerWidth) << "no refit while minimized";
    form->setWindowState(0);
    EXPECT_EQ(form->width(), 4300.0f);
    EXPECT_EQ(form->left(), 600.0f);
    expectPlayerFits(*form);
}

TEST_F(SizeModes, InformationToggleKeepsTheWindowSize)
{
    start();
    form->Nomal_Click();
    for (bool expected : {false, true, false}) {
        form->menuItem("Infor表示")->trigger(); // through the menu, as the user does
        EXPECT_EQ(form->informationShown(), expected);
        EXPECT_EQ(form->player()->showDisplay(), expected);
        EXPECT_EQ(form->player()->showStatusBar(), expected);
        EXPECT_EQ(form->height(), 5565.0f);
        EXPECT_EQ(form->width(), 4300.0f);
        expectPlayerFits(*form);
    }
    form->Nomal_Click();
    EXPECT_EQ(form->height(), 4110.0f) << "the next size uses the new state";
}

TEST_F(SizeModes, ResizeHandling)
{
    start();
    // Before the end of start-up nothing reaches the player: the player keeps
    // its design size until the loaded window's first resize.
    // (Checked on a fresh form that is loaded but never finishes showing.)
    {
        frmMeroSonx fresh(dialogs, {}, dir.path());
        fresh.load();
        EXPECT_EQ(fresh.player()->widthTwips(), 4290.0f);
        EXPECT_EQ(fresh.player()->heightTwips(), 4875.0f);
    }
    // Shorter than 700 twips: the width follows, the height is refused and
    // the handler ends silently before the display mode.
    form->player()->setDisplaySize(0);
    form->setHeight(600);
    EXPECT_EQ(form->player()->widthTwips(), form->width() - 100);
    EXPECT_NE(form->player()->heightTwips(), -100.0f);
    EXPECT_EQ(form->player()->displaySize(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    // A user's resize refits.
    form->setHeight(5565);
    const QSize size = form->window()->size() + QSize(30, 45);
    form->window()->resize(size);
    expectPlayerFits(*form);
}

TEST_F(Placement, CornersAndCentreFromEveryState)
{
    writeSettings("5565,4300,0,450,600,-1");
    start();
    const float sw = form->screenWidth();
    const float sh = form->screenHeight();
    for (int state : {0, 1, 2}) {
        form->setWindowState(state);
        form->Right_Down_Click();
        EXPECT_EQ(form->windowState(), 0);
        EXPECT_EQ(form->width(), 4300.0f) << "normal size kept";
        EXPECT_EQ(form->top(), sh - 5565);
        EXPECT_EQ(form->left(), sw - 4300);

        form->setWindowState(state);
        form->中央位置_Click();
        EXPECT_EQ(form->top(), sh / 2 - 5565.0f / 2);
        EXPECT_EQ(form->left(), sw / 2 - 4300.0f / 2);

        form->setWindowState(state);
        form->Left_Up_Click();
        EXPECT_EQ(form->top(), 0.0f);
        EXPECT_EQ(form->left(), 0.0f);
    }
    // Twice in a row: the same place.
    form->Right_Down_Click();
    form->Right_Down_Click();
    EXPECT_EQ(form->left(), sw - 4300);
    // The real frame follows: its visible right edge on the screen's.
    const QRect screen = form->window()->screen()->geometry();
    EXPECT_TRUE(waitFor([&] { return form->window()->frameGeometry().right() == screen.right(); }))
        << form->window()->frameGeometry().right();
}

// Whatever frame the window manager draws, the visible frame lands on the
// corner or the centre; the twips read back as the handlers wrote them.
TEST_F(Placement, VisibleFrameLandsFlushWithTheScreen)
{
    start();
    form->Nomal_Click();
    const QRect screen = form->window()->screen()->geometry();
    const auto frame = [&] { return form->window()->frameGeometry(); };
    ASSERT_TRUE(waitFor([&] { return frame() != form->window()->geometry(); }))
        << "the window manager frames the window";
    for (int state : {0, 2}) {
        SCOPED_TRACE(state);
        form->setWindowState(state);
        form->Right_Down_Click();
        EXPECT_TRUE(waitFor([&] { return frame().bottomRight() == screen.bottomRight(); }))
            << frame().bottomRight().x() << "," << frame().bottomRight().y();
        EXPECT_EQ(form->left(), form->screenWidth() - form->width());
        EXPECT_EQ(form->top(), form->screenHeight() - form->height());

        form->中央位置_Click();
        EXPECT_TRUE(waitFor([&] {
            const QPoint off = frame().center() - screen.center();
            return std::abs(off.x()) <= 1 && std::abs(off.y()) <= 1;
        })) << frame().center().x()
            << "," << frame().center().y();
        EXPECT_EQ(form->left(), form->screenWidth() / 2 - form->width() / 2);

        form->Left_Up_Click();
        EXPECT_TRUE(waitFor([&] { return frame().topLeft() == screen.topLeft(); }))
            << frame().left() << "," << frame().top();
        EXPECT_EQ(form->left(), 0.0f);
        EXPECT_EQ(form->top(), 0.0f);
    }
    // A frame the user drags flush to the right edge reads as the position
    // that 右下 writes.
    form->window()->move(screen.right() + 1 - frame().width(), 300);
    ASSERT_TRUE(waitFor([&] { return frame().right() == screen.right(); }));
    EXPECT_NEAR(form->left(), form->screenWidth() - form->width(), 1.0);
}

TEST_F(Placement, WindowLargerThanTheScreenGoesNegativeUnclamped)
{
    start();
    const float sw = form->screenWidth();
    const float sh = form->screenHeight();
    form->setWidth(sw + 3000);
    form->setHeight(sh + 1500);
    form->中央位置_Click();
    EXPECT_EQ(form->left(), -1500.0f);
    EXPECT_EQ(form->top(), -750.0f);
    form->Right_Down_Click();
    EXPECT_EQ(form->left(), -3000.0f);
    EXPECT_EQ(form->top(), -1500.0f);
}

} // namespace
