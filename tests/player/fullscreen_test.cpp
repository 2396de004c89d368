// SPDX-License-Identifier: MIT
// Full screen from the main window, under a window manager: entered and left
// by each gesture, the window and the player's fit exactly as they were after
// it, the bars and the pointer hiding on a still mouse, and Settei.dat written
// with the normal window when the program ends from full screen.
#include "fullscreenwindow.h"
#include "playerfixture.h"
#include "testmedia.h"
#include "twips.h"
#include "videosurface.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <functional>

namespace
{

using FullScreen = PlayerTest;

// Everything full screen must leave as it found it.
struct Picture {
    QRect frame; // on the X server
    int state = 0;
    float width = 0, height = 0, top = 0, left = 0; // the form's twips
    float playerWidth = 0, playerHeight = 0;
    QRect playerGeometry;
    QRect surfaceGeometry;

    bool operator==(const Picture&) const = default;
};

Picture pictureOf(frmMeroSonx& form)
{
    MediaPlayer* mp = form.player();
    return {form.window()->frameGeometry(),
            form.windowState(),
            form.width(),
            form.height(),
            form.top(),
            form.left(),
            mp->widthTwips(),
            mp->heightTwips(),
            mp->geometry(),
            mp->videoSurface()->geometry()};
}

std::ostream& operator<<(std::ostream& out, const Picture& p)
{
    return out << "frame " << p.frame.x() << "," << p.frame.y() << " " << p.frame.width() << "x"
               << p.frame.height() << " state " << p.state << " twips " << p.width << "x"
               << p.height << "+" << p.left << "+" << p.top << " player " << p.playerWidth << "x"
               << p.playerHeight;
}

// 全画面表示 from the menu a right-click on the picture opens.
void chooseFullScreenItem(MediaPlayer& player)
{
    QWidget* surface = player.videoSurface();
    const QPoint at = surface->rect().center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, surface->mapToGlobal(at));
    QApplication::sendEvent(surface, &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    for (QAction* item : menu->actions()) {
        if (item->text().startsWith(QStringLiteral("全画面表示"))) {
            item->trigger();
            break;
        }
    }
    menu->close();
}

struct Gesture {
    const char* name;
    std::function<void(MediaPlayer&)> enter;
    std::function<void(MediaPlayer&)> leave;
};

void doubleClick(MediaPlayer& player)
{
    QWidget* surface = player.videoSurface();
    QTest::mouseDClick(surface, Qt::LeftButton, {}, surface->rect().center());
}

void key(QWidget* to, Qt::Key key)
{
    QTest::keyClick(to, key);
}

const Gesture kGestures[] = {
    {"double-click", doubleClick, doubleClick},
    {"F", [](MediaPlayer& p) { key(&p, Qt::Key_F); },
     [](MediaPlayer& p) { key(p.fullScreenWindow(), Qt::Key_F); }},
    {"F11 and Esc", [](MediaPlayer& p) { key(&p, Qt::Key_F11); },
     [](MediaPlayer& p) { key(p.fullScreenWindow(), Qt::Key_Escape); }},
    {"context menu", chooseFullScreenItem, chooseFullScreenItem},
};

// The picture fills the whole screen that holds the main window.
bool fillsTheScreen(frmMeroSonx& form)
{
    MediaPlayer* mp = form.player();
    FullScreenWindow* fs = mp->fullScreenWindow();
    const QRect screen = form.window()->screen()->geometry();
    return mp->isFullScreen() && fs && fs->isVisible() && fs->isFullScreen() &&
           fs->geometry() == screen && mp->videoSurface()->window() == fs &&
           mp->videoSurface()->size() == screen.size();
}

} // namespace

TEST_F(FullScreen, EachGestureEntersAndLeavesAndTheWindowComesBackExactly)
{
    writeSettings("5565,4300,0,450,600,-1\r\n");
    start(testMedia("green.mp4"));
    MediaPlayer* mp = form->player();
    ASSERT_TRUE(waitFor([&] { return mp->position() > 0.1; }));
    mp->pause();
    for (const bool maximized : {false, true}) {
        if (maximized) {
            form->Big_Click();
            ASSERT_TRUE(waitFor([&] { return form->width() > 4300 * 1.5f; }));
        }
        ASSERT_TRUE(waitFor([&] { return mp->videoSurface()->isVisible(); }));
        const Picture before = pictureOf(*form);
        for (const Gesture& gesture : kGestures) {
            SCOPED_TRACE(std::string(gesture.name) + (maximized ? ", maximized" : ", normal"));
            gesture.enter(*mp);
            ASSERT_TRUE(waitFor([&] { return fillsTheScreen(*form); }));
            EXPECT_EQ(pictureOf(*form).state, before.state) << "the main window is left alone";
            gesture.leave(*mp);
            ASSERT_TRUE(waitFor([&] { return !mp->fullScreenWindow()->isVisible(); }));
            EXPECT_FALSE(mp->isFullScreen());
            EXPECT_EQ(mp->videoSurface()->window(), form->window());
            EXPECT_TRUE(waitFor([&] { return pictureOf(*form) == before; }))
                << pictureOf(*form) << "\nwas " << before;
        }
    }
}

TEST_F(FullScreen, TheBarsAndThePointerHideOnAStillMouseAndComeBackWhenItMoves)
{
    start(testMedia("tone.wav")); // audio alone goes full screen too: the idle picture
    MediaPlayer* mp = form->player();
    ASSERT_TRUE(waitFor([&] { return mp->position() > 0.1; }));
    mp->setFullScreen(true);
    ASSERT_TRUE(waitFor([&] { return fillsTheScreen(*form); }));
    FullScreenWindow* fs = mp->fullScreenWindow();
    EXPECT_TRUE(fs->isOverlayShown());
    // The control bar lies over the bottom of the picture, the information above it.
    const QRect overlay = fs->overlay()->geometry();
    EXPECT_EQ(overlay.bottom(), fs->height() - 1);
    EXPECT_EQ(overlay.width(), fs->width());
    EXPECT_TRUE(mp->videoSurface()->geometry().contains(overlay));
    EXPECT_GT(overlay.height(), twips::toPixels(695 + 1455, twips::perPixel(mp)) - 2);
    const QImage idle = mp->videoSurface()->grabFramebuffer();
    const QRgb top = idle.pixel(idle.width() / 2, 2);
    EXPECT_TRUE(qBlue(top) > qRed(top) + 10) << "the idle picture, " << std::hex << top;

    ASSERT_TRUE(
        waitFor([&] { return !fs->isOverlayShown() && fs->cursor().shape() == Qt::BlankCursor; },
                FullScreenWindow::kHideDelayMs * 3));
    QTest::mouseMove(mp->videoSurface(), {40, 40});
    EXPECT_TRUE(waitFor([&] { return fs->isOverlayShown(); }));
    EXPECT_NE(fs->cursor().shape(), Qt::BlankCursor);

    // With the information hidden, the control bar alone.
    form->Infor表示_Click();
    EXPECT_EQ(fs->overlay()->height(), int(695 / twips::perPixel(mp)));
}

// Over a video the pointer moves over the picture's own native window: the
// moves, made through the X server as a mouse makes them, still wake the bars.
TEST_F(FullScreen, APointerMovedOverAVideoBringsTheBarsBack)
{
    start(testMedia("green.mp4"));
    MediaPlayer* mp = form->player();
    QSignalSpy frames(mp, &MediaPlayer::frameRendered);
    ASSERT_TRUE(frames.wait(8000));
    mp->pause();
    mp->setFullScreen(true);
    ASSERT_TRUE(waitFor([&] { return fillsTheScreen(*form); }));
    FullScreenWindow* fs = mp->fullScreenWindow();
    ASSERT_TRUE(waitFor([&] { return !fs->isOverlayShown(); }, FullScreenWindow::kHideDelayMs * 3));
    const QPoint centre = fs->geometry().center();
    for (const int step : {0, 12, 24}) {
        QProcess::execute("xdotool", {"mousemove", QString::number(centre.x() + step),
                                      QString::number(centre.y() - step)});
    }
    EXPECT_TRUE(waitFor([&] { return fs->isOverlayShown(); }));
    EXPECT_NE(fs->cursor().shape(), Qt::BlankCursor);
}

TEST_F(FullScreen, QuittingFromFullScreenSavesTheNormalWindow)
{
    // Ctrl+Q typed in full screen, through the X server: the main window's
    // shortcuts are out of its own reach there, and the player routes it.
    writeSettings("5565,4300,0,450,600,-1\r\n");
    start(testMedia("tone.wav"));
    form->player()->setFullScreen(true);
    ASSERT_TRUE(waitFor([&] { return fillsTheScreen(*form); }));
    ASSERT_TRUE(waitFor(
        [&] { return QApplication::activeWindow() == form->player()->fullScreenWindow(); }));
    ASSERT_EQ(QProcess::execute("xdotool", {"key", "ctrl+q"}), 0);
    ASSERT_TRUE(waitFor([&] { return !form->isLoaded(); }));
    QCoreApplication::sendPostedEvents(nullptr,
                                       QEvent::DeferredDelete); // the window and its player
    EXPECT_EQ(settingsBytes(), QByteArray("5565,4300,0,450,600,-1\r\n"));

    // The end of the session or SIGTERM: the unload, maximized, information hidden.
    writeSettings("5565,4300,2,450,600,0\r\n");
    start(testMedia("tone.wav"));
    ASSERT_TRUE(waitFor([&] { return form->width() > 4300 * 1.5f; }));
    const QByteArray maximized = QStringLiteral("%1,%2,2,%3,%4,0\r\n")
                                     .arg(std::lround(form->height()))
                                     .arg(std::lround(form->width()))
                                     .arg(std::lround(form->top()))
                                     .arg(std::lround(form->left()))
                                     .toLatin1();
    form->player()->setFullScreen(true);
    ASSERT_TRUE(waitFor([&] { return fillsTheScreen(*form); }));
    form->unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(settingsBytes(), maximized);
}
