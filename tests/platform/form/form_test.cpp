// SPDX-License-Identifier: MIT
#include "apperror.h"
#include "form.h"
#include "twips.h"

#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

class TestForm : public Form
{
public:
    bool withMenu = true;
    int resizes = 0;
    int loads = 0;
    int unloads = 0;

protected:
    Design design() const override
    {
        Design d;
        d.caption = QStringLiteral("テスト");
        d.clientWidth = 4260;
        d.clientHeight = 4890;
        d.centered = true;
        return d;
    }
    void buildWindow(QMainWindow& window) override
    {
        if (withMenu)
            window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    }
    void Form_Load() override { ++loads; }
    void Form_Resize() override { ++resizes; }
    void Form_Unload() override { ++unloads; }
};

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

bool waitFor(const std::function<bool()>& condition, int ms = 5000)
{
    return QTest::qWaitFor(condition, ms);
}

TEST(FormGeometry, OuterSizeIsClientPlusAllowance)
{
    TestForm f;
    f.load();
    const double tpp = twips::perPixel(f.window());
    EXPECT_EQ(f.width(), 4360.0f);
    EXPECT_EQ(f.height(), 5590.0f);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window()));
    // The area under the menu bar is exactly the client size.
    ASSERT_TRUE(waitFor([&] {
        return f.window()->centralWidget()->size() ==
               QSize(twips::toPixels(4260, tpp), twips::toPixels(4890, tpp));
    })) << f.window()->centralWidget()->height();

    TestForm plain;
    plain.withMenu = false;
    plain.load();
    EXPECT_EQ(plain.height(), 5290.0f) << "400 twips without a menu bar";
    EXPECT_EQ(plain.window()->size(),
              QSize(twips::toPixels(4260, tpp), twips::toPixels(4890, tpp)));
}

TEST(FormGeometry, WritesKeepTheirTwipsAndResizeOnce)
{
    TestForm f;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window()));
    const int before = f.resizes;
    f.setHeight(5565.3f);
    EXPECT_EQ(f.resizes, before + 1);
    f.setWidth(4305);
    EXPECT_EQ(f.resizes, before + 2);
    f.setWidth(4305);
    EXPECT_EQ(f.resizes, before + 2) << "an unchanged size raises nothing";
    f.setTop(-45);
    f.setLeft(120.5f);
    EXPECT_EQ(f.resizes, before + 2) << "moving raises no resize";
    EXPECT_EQ(f.height(), 5565.3f);
    EXPECT_EQ(f.width(), 4305.0f);
    EXPECT_EQ(f.top(), -45.0f);
    EXPECT_EQ(f.left(), 120.5f);

    // Once the window system has answered, the values still read back exactly
    // and no echo raised another resize.
    const double tpp = twips::perPixel(f.window());
    ASSERT_TRUE(waitFor([&] {
        return f.window()->frameGeometry().topLeft() ==
               QPoint(twips::toPixels(120.5, tpp), twips::toPixels(-45, tpp));
    }));
    QTest::qWait(0);
    EXPECT_EQ(f.height(), 5565.3f);
    EXPECT_EQ(f.top(), -45.0f);
    EXPECT_EQ(f.left(), 120.5f);
    EXPECT_EQ(f.resizes, before + 2);
}

TEST(FormGeometry, UserResizeUpdatesTheModelAndResizesOnce)
{
    TestForm f;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window()));
    const double tpp = twips::perPixel(f.window());
    const int before = f.resizes;
    const QSize size = f.window()->size() + QSize(40, 30);
    f.window()->resize(size); // as a user's drag arrives
    EXPECT_EQ(f.resizes, before + 1);
    EXPECT_FLOAT_EQ(f.width(), size.width() * tpp + 100);
    EXPECT_FLOAT_EQ(f.height(), (size.height() - f.window()->menuWidget()->height()) * tpp + 700);
}

TEST(FormGeometry, ErrorsForBadWrites)
{
    TestForm f;
    f.show();
    EXPECT_EQ(errorOf([&] { f.setHeight(-1); }), 380);
    EXPECT_EQ(errorOf([&] { f.setWidth(std::nanf("")); }), 380);
    EXPECT_EQ(errorOf([&] { f.setWindowState(3); }), 380);
    EXPECT_EQ(errorOf([&] { f.setWindowState(-1); }), 380);
    EXPECT_EQ(f.windowState(), 0);
    EXPECT_EQ(f.height(), 5590.0f) << "a refused write changes nothing";
    // Only the low 16 bits of a state reach the window.
    EXPECT_EQ(errorOf([&] { f.setWindowState(0x10002); }), 0);
    EXPECT_EQ(f.windowState(), 2);
    for (auto write : {&Form::setHeight, &Form::setWidth, &Form::setTop, &Form::setLeft})
        EXPECT_EQ(errorOf([&] { (f.*write)(100); }), 384);
    f.setWindowState(1);
    EXPECT_EQ(errorOf([&] { f.setTop(0); }), 384);
    try {
        f.setWidth(10);
    } catch (const AppError& e) {
        EXPECT_EQ(e.source(), QCoreApplication::applicationName());
    }
    f.setWindowState(0);
    EXPECT_EQ(f.height(), 5590.0f);
    EXPECT_EQ(errorOf([&] { f.setHeight(5000); }), 0);
}

TEST(FormGeometry, StateChangesResizeAndMaximizedReportsTheWindow)
{
    TestForm f;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window()));
    int before = f.resizes;
    f.setWindowState(2);
    EXPECT_EQ(f.windowState(), 2);
    EXPECT_GE(f.resizes, before + 1);
    const float screenW = f.screenWidth();
    // Under a window manager the window grows to the screen.
    ASSERT_TRUE(waitFor([&] { return f.width() > screenW * 0.9f; })) << f.width();
    EXPECT_EQ(f.scaleWidth(), f.width() - 100);

    before = f.resizes;
    f.setWindowState(0);
    EXPECT_EQ(f.resizes, before + 1);
    EXPECT_EQ(f.width(), 4360.0f) << "restored to the normal size at once";
    EXPECT_EQ(f.height(), 5590.0f);

    // The user's own maximize is seen as a state change.
    f.window()->showMaximized();
    EXPECT_EQ(f.windowState(), 2);
    f.window()->showNormal();
    ASSERT_TRUE(waitFor([&] { return f.windowState() == 0; }));
    ASSERT_TRUE(waitFor([&] { return f.window()->width() < 400; }));
    EXPECT_EQ(f.width(), 4360.0f);
}

TEST(FormLifecycle, UnloadDestroysAndTheNextAccessReloads)
{
    TestForm f;
    f.show();
    f.setWidth(6000);
    QPointer<QMainWindow> first = f.window();
    f.window()->close(); // the title bar's close button
    EXPECT_EQ(f.unloads, 1);
    EXPECT_FALSE(f.isLoaded());
    EXPECT_TRUE(waitFor([&] { return first.isNull(); }));
    EXPECT_EQ(f.width(), 4360.0f) << "reloaded from the design";
    EXPECT_EQ(f.loads, 2);
}

TEST(FormLifecycle, ModalShowReturnsWhenUnloaded)
{
    TestForm f;
    QTimer::singleShot(0, &f, [&] {
        ASSERT_TRUE(f.window()->isVisible());
        EXPECT_EQ(f.window()->windowModality(), Qt::ApplicationModal);
        f.unload();
    });
    f.show(1);
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(f.unloads, 1);
}

} // namespace
