// SPDX-License-Identifier: MIT
#include "captionlabel.h"
#include "frmAbout.h"
#include "icons.h"
#include "lineshape.h"
#include "picturebox.h"
#include "recordingshell.h"
#include "scripteddialogs.h"
#include "tableregistry.h"
#include "twips.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace
{

const QString kPattern = QStringLiteral("●■★▲●■★▲●■★▲");

class AboutBox : public ::testing::Test
{
protected:
    QWidget* control(const QString& name)
    {
        return about.window()->centralWidget()->findChild<QWidget*>(name);
    }
    CaptionLabel* label(const QString& name) { return qobject_cast<CaptionLabel*>(control(name)); }
    PictureBox* icon() { return qobject_cast<PictureBox*>(control(QStringLiteral("picIcon"))); }
    QPushButton* button(const QString& name) { return qobject_cast<QPushButton*>(control(name)); }
    // Pixels from design twips, on this screen.
    QRect pixels(int left, int top, int width, int height)
    {
        const double tpp = about.twipsPerPixel();
        return {twips::toPixels(left, tpp), twips::toPixels(top, tpp), twips::toPixels(width, tpp),
                twips::toPixels(height, tpp)};
    }
    void showAndActivate()
    {
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(about.window()));
    }
    void clickIcon(int times)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(icon(), Qt::LeftButton, {}, QPoint(5, 5));
    }
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }
    // The print position is kept in the box: where the next line would start.
    QImage iconImage() { return icon()->grab().toImage(); }

    ScriptedDialogs dialogs{QStringLiteral("Mero Sonx3")};
    RecordingShell shell;
    TableRegistry registry; // empty: system information is never available
    frmAbout about{dialogs, shell, registry};
};

TEST_F(AboutBox, LaysOutTheDesign)
{
    about.load();
    QMainWindow* w = about.window();
    EXPECT_EQ(about.caption(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(about.scaleWidth(), 5730.0f);
    EXPECT_EQ(about.scaleHeight(), 3750.0f);
    EXPECT_EQ(w->size(), pixels(0, 0, 5730, 3750).size())
        << "no menu bar: the window is the client";
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "fixed border";
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool) << "no taskbar button";
    EXPECT_FALSE(w->windowIcon().isNull());
    EXPECT_TRUE(w->windowIcon().pixmap(32, 32).toImage() == meroSonxIcon().pixmap(32, 32).toImage())
        << "the program's icon";

    EXPECT_EQ(icon()->geometry(), pixels(120, 240, 540, 540));
    EXPECT_FALSE(icon()->picture().isNull());
    EXPECT_EQ(label(QStringLiteral("lblDescription"))->geometry(), pixels(720, 1560, 4125, 1530));
    EXPECT_EQ(button(QStringLiteral("cmdOK"))->geometry(), pixels(120, 3240, 2580, 345));
    EXPECT_EQ(button(QStringLiteral("cmdSysInfo"))->geometry(), pixels(2760, 3240, 2820, 345));
    EXPECT_EQ(button(QStringLiteral("cmdOK"))->text(), QStringLiteral("OK"));
    EXPECT_EQ(button(QStringLiteral("cmdSysInfo"))->text(), QStringLiteral("ｼｽﾃﾑ情報(&S)..."));
    EXPECT_TRUE(button(QStringLiteral("cmdOK"))->isDefault());

    // One-line labels keep their place and height; they are never narrower than
    // designed and always wide enough for their text.
    const struct {
        const char* name;
        QRect design;
        QString text;
    } labels[] = {
        {"lblTitle", pixels(720, 120, 1845, 480), QStringLiteral("Mero Sonx")},
        {"lblVersion", pixels(720, 600, 1245, 225), QStringLiteral("ﾊﾞｰｼﾞｮﾝ：３．００")},
        {"Label1", pixels(720, 840, 1965, 225), QStringLiteral("作者　　：Mero Sonx 開発チーム")},
        {"Label2", pixels(720, 1080, 4005, 225),
         QStringLiteral("ﾎｰﾑﾍﾟｰｼﾞ：https://merosonx.example.org/")},
        {"Label3", pixels(720, 1320, 2445, 225), QStringLiteral("ﾒｰﾙｱﾄﾞﾚｽ：merosonx@example.org")},
    };
    for (const auto& l : labels) {
        const CaptionLabel* lbl = label(QString::fromUtf8(l.name));
        ASSERT_NE(lbl, nullptr) << l.name;
        EXPECT_EQ(lbl->caption(), l.text) << l.name;
        EXPECT_EQ(lbl->pos(), l.design.topLeft()) << l.name;
        EXPECT_EQ(lbl->height(), l.design.height()) << l.name;
        EXPECT_GE(lbl->width(), l.design.width()) << l.name;
        EXPECT_GE(lbl->width(), lbl->naturalWidth()) << l.name << " is clipped";
        EXPECT_LE(lbl->lineHeight(), lbl->height()) << l.name << " is clipped";
        EXPECT_LE(lbl->geometry().right(), w->width()) << l.name;
    }
    const QFont title = label(QStringLiteral("lblTitle"))->font();
    EXPECT_TRUE(title.bold());
    EXPECT_DOUBLE_EQ(title.pointSizeF(), 21.75);
    for (const char* name : {"Label2", "Label3"}) {
        const CaptionLabel* link = label(QString::fromUtf8(name));
        EXPECT_TRUE(link->font().underline()) << name;
        EXPECT_EQ(link->foreColor(), QColor(0, 0, 255)) << name;
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor) << name;
    }

    // The etched rule: grey over white, across the dialog.
    const auto* grey = w->findChild<LineShape*>(QStringLiteral("Line1_1"));
    const auto* white = w->findChild<LineShape*>(QStringLiteral("Line1_0"));
    ASSERT_TRUE(grey && white);
    EXPECT_EQ(grey->color(), QColor(128, 128, 128));
    EXPECT_EQ(white->color(), QColor(255, 255, 255));
    EXPECT_EQ(grey->geometry(), QRect(pixels(90, 3045, 0, 0).topLeft(),
                                      pixels(5654, 3045, 0, 0).topLeft() + QPoint(-1, 0)));
    EXPECT_EQ(white->geometry(), QRect(pixels(105, 3060, 0, 0).topLeft(),
                                       pixels(5654, 3060, 0, 0).topLeft() + QPoint(-1, 1)));
}

TEST_F(AboutBox, DescriptionIsSixLinesOnEveryLoad)
{
    for (int showing = 0; showing < 3; ++showing) {
        about.load();
        CaptionLabel* description = label(QStringLiteral("lblDescription"));
        const QString text = description->caption();
        EXPECT_EQ(text.count(u'\r'), 6);
        EXPECT_TRUE(text.endsWith(u'\r'));
        EXPECT_FALSE(text.contains(u'\n'));
        EXPECT_TRUE(text.startsWith(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明：\r"
                                                   "このソフトはプレイヤーです。\r"
                                                   "MSさんのWindowsMediaPlayerを使用させていただい"
                                                   "ております。\r")));
        EXPECT_LE(description->captionHeight(), description->height()) << "clipped";
        description->setCaption(QStringLiteral("changed"));
        about.unload();
    }
}

TEST_F(AboutBox, KeysAndButtons)
{
    showAndActivate();
    EXPECT_EQ(QApplication::focusWidget(), button(QStringLiteral("cmdOK")));
    pressKey(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button(QStringLiteral("cmdSysInfo")));
    // Enter on the system information button presses it, not OK.
    pressKey(Qt::Key_Return);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].parent, about.window());
    EXPECT_TRUE(about.isLoaded());
    // The access key presses the button the way a click does, a moment later.
    pressKey(Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.messages.size() == 2; })) << "Alt+S";
    // Escape anywhere closes.
    pressKey(Qt::Key_Escape);
    EXPECT_FALSE(about.isLoaded());

    showAndActivate();
    pressKey(Qt::Key_Return);
    EXPECT_FALSE(about.isLoaded()) << "Enter presses OK";

    showAndActivate();
    QTest::mouseClick(button(QStringLiteral("cmdOK")), Qt::LeftButton);
    EXPECT_FALSE(about.isLoaded());
}

TEST_F(AboutBox, ModalShowReturnsOnceClosed)
{
    bool pressed = false;
    QTimer::singleShot(0, [&] {
        if (QTest::qWaitForWindowActive(about.window())) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            pressed = true;
        }
    });
    QTimer::singleShot(20000, &about, [&] { about.unload(); }); // never hang the run
    about.show(1);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(about.isLoaded());
}

TEST_F(AboutBox, LinksOpenTheAddressesTheyShow)
{
    showAndActivate();
    QTest::mouseClick(label(QStringLiteral("Label2")), Qt::LeftButton);
    QTest::mouseClick(label(QStringLiteral("Label3")), Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[0].window, about.window());
    EXPECT_EQ(shell.opened[0].address, QStringLiteral("https://merosonx.example.org/"));
    EXPECT_EQ(label(QStringLiteral("Label2"))->caption(),
              QStringLiteral("ﾎｰﾑﾍﾟｰｼﾞ：") + shell.opened[0].address);
    EXPECT_EQ(shell.opened[1].address, QStringLiteral("mailto:merosonx@example.org"));
    EXPECT_EQ(label(QStringLiteral("Label3"))->caption(),
              QStringLiteral("ﾒｰﾙｱﾄﾞﾚｽ：") + shell.opened[1].address.mid(7));
    QTest::mouseClick(label(QStringLiteral("Label1")), Qt::LeftButton);
    EXPECT_EQ(shell.opened.size(), 2u) << "the author is no link";
}

TEST_F(AboutBox, IconClicksCountAcrossShowings)
{
    showAndActivate();
    const QImage design = iconImage();
    clickIcon(5);
    EXPECT_EQ(about.iconClickCount(), 5);
    pressKey(Qt::Key_Escape);

    showAndActivate();
    clickIcon(4);
    EXPECT_EQ(iconImage(), design) << "nine clicks change nothing";
    EXPECT_EQ(icon()->geometry(), pixels(120, 240, 540, 540));
    clickIcon(1);
    EXPECT_EQ(about.iconClickCount(), 10);
    EXPECT_EQ(icon()->pos(), QPoint(0, 0)) << "the tenth click in all makes the panel";

    // After the effect the next showing starts from the design; the next click
    // makes the panel at once.
    pressKey(Qt::Key_Escape);
    showAndActivate();
    EXPECT_EQ(icon()->geometry(), pixels(120, 240, 540, 540));
    EXPECT_EQ(iconImage(), design);
    clickIcon(1);
    EXPECT_EQ(about.iconClickCount(), 11);
    EXPECT_EQ(icon()->pos(), QPoint(0, 0));
}

TEST_F(AboutBox, TheEffectPaintsAPanelWithThePattern)
{
    showAndActivate();
    clickIcon(10);
    PictureBox* panel = icon();
    EXPECT_TRUE(panel->picture().isNull());
    // Down to the grey line (3045 twips); as wide in units as the dialog's outer
    // width in twips, so past the right edge.
    const double tpp = about.twipsPerPixel();
    EXPECT_EQ(panel->geometry(), QRect(0, 0, twips::toPixels(about.width() * 1.064904, tpp),
                                       twips::toPixels(3045, tpp)));
    EXPECT_GT(panel->width(), about.window()->centralWidget()->width());
    // The labels' text is covered (the description's design box reaches a
    // little past the separator, its text does not).
    for (const char* name :
         {"lblTitle", "lblVersion", "Label1", "Label2", "Label3", "lblDescription"}) {
        const CaptionLabel* lbl = label(QString::fromUtf8(name));
        EXPECT_TRUE(panel->geometry().contains(
            QRect(lbl->pos(), QSize(lbl->width(), lbl->captionHeight()))))
            << name << " is covered";
    }
    EXPECT_FALSE(panel->geometry().intersects(button(QStringLiteral("cmdOK"))->geometry()));

    const QColor back = panel->backColor();
    const QFontMetricsF fm(panel->font());
    const int lines = 11;
    EXPECT_EQ(panel->printPosition(), QPointF(0, lines * fm.height()))
        << "eleven lines and a line end";
    const QImage first = iconImage();
    const int patternWidth = int(fm.horizontalAdvance(kPattern)) + 1;
    const int lineHeight = int(fm.height()); // at least one pixel inside each line
    const int textHeight = int(std::ceil(lines * fm.height()));
    // Text in the first and the eleventh line, from the left edge; nothing below
    // or right of the pattern.
    auto inked = [&](const QImage& image, QRect area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y) != panel->backColor())
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(first, QRect(0, 0, 20, lineHeight)));
    EXPECT_TRUE(inked(first, QRect(0, int(10 * fm.height()), 20, lineHeight)));
    EXPECT_FALSE(inked(first, QRect(0, textHeight + 1, panel->width(), 10)));
    EXPECT_FALSE(inked(first, QRect(patternWidth + 1, 0, 10, textHeight)));
    EXPECT_EQ(first.pixelColor(panel->width() - 1, panel->height() - 1), back);

    // It survives being hidden and repainted.
    about.window()->hide();
    about.window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about.window()));
    panel->repaint();
    EXPECT_EQ(iconImage(), first);

    // Another click: a new colour, the pattern again from the top, not below.
    clickIcon(1);
    EXPECT_NE(panel->backColor(), back);
    EXPECT_EQ(panel->printPosition(), QPointF(0, lines * fm.height()));
    EXPECT_FALSE(inked(iconImage(), QRect(0, textHeight + 1, panel->width(), 10)));
}

TEST_F(AboutBox, ColoursComeFromTheUnseededGenerator)
{
    // Every run draws the same colours: two fresh About boxes agree.
    frmAbout other{dialogs, shell, registry};
    UnseededRandom a = about.randomGenerator();
    UnseededRandom b = other.randomGenerator();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a.next(), b.next());

    // The largest number the generator gives makes 254, never 255.
    std::uint32_t inverse = 0x43FD43FDu; // of the multiplier, modulo 2^32
    for (int i = 0; i < 5; ++i)
        inverse *= 2 - 0x43FD43FDu * inverse;
    const std::uint32_t beforeMax = ((0xFFFFFFu - 0xC39EC3u) * inverse) & 0xFFFFFF;
    about.randomGenerator() = UnseededRandom(beforeMax);
    EXPECT_EQ(UnseededRandom(beforeMax).next(), 16777215.0f / 16777216.0f);

    showAndActivate();
    clickIcon(10);
    EXPECT_EQ(icon()->backColor().red(), 254);
    for (int i = 0; i < 200; ++i) {
        clickIcon(1);
        const QColor c = icon()->backColor();
        ASSERT_TRUE(c.red() < 255 && c.green() < 255 && c.blue() < 255) << i;
    }
    EXPECT_EQ(iconImage().pixelColor(icon()->width() - 1, 0), icon()->backColor());
}

} // namespace
