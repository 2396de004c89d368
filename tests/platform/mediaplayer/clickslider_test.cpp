// SPDX-License-Identifier: MIT
// The position slider on its own: where a click puts it, and that it shows
// every value right while skipping the repaints that would change nothing.
#include "clickslider.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace
{

// Counts the paints a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Shown {
    QWidget window;
    ClickSlider* slider = new ClickSlider(&window);

    explicit Shown(int maximum, QPoint at = {40, 40})
    {
        slider->setRange(0, maximum);
        slider->setGeometry(0, 0, 300, 24);
        window.setGeometry(QRect(at, slider->size()));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        settle();
    }
    // Delivers pending updates: a repaint asked for has happened on return.
    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QRect handle() const
    {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = Qt::Horizontal;
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                               slider);
    }
    // What the X server holds for the window, not what a new paint would make.
    QImage onScreen() const
    {
        return window.screen()
            ->grabWindow(window.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
};

} // namespace

TEST(ClickSlider, AClickOnTheGroovePutsTheValueUnderThePointer)
{
    Shown shown(10000);
    QSignalSpy changed(shown.slider, &QSlider::valueChanged);
    const QRect handle = shown.handle();
    const QPoint target(shown.slider->width() * 3 / 4, shown.slider->height() / 2);
    ASSERT_FALSE(handle.contains(target));
    QTest::mouseClick(shown.slider, Qt::LeftButton, {}, target);
    EXPECT_NEAR(shown.slider->value(), 7500, 400);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(shown.handle().contains(target));
}

TEST(ClickSlider, RepaintsWhenTheHandleMovesAndOnlyThen)
{
    // An hour in milliseconds over 300 pixels: about 13 seconds to the pixel.
    Shown shown(3600 * 1000);
    PaintCounter counter(shown.slider);
    for (int ms = 0; ms <= 4000; ms += 250) { // four seconds in quarters
        shown.slider->setValue(ms);
        Shown::settle();
    }
    EXPECT_EQ(shown.slider->value(), 4000);
    EXPECT_EQ(counter.paints, 0);

    shown.slider->setValue(1800 * 1000);
    Shown::settle();
    EXPECT_EQ(counter.paints, 1);

    // A short file moves the handle at every step, and every step is drawn.
    shown.slider->setRange(0, 4000);
    Shown::settle();
    counter.paints = 0;
    for (int ms = 0; ms <= 4000; ms += 250) {
        shown.slider->setValue(ms);
        Shown::settle();
    }
    EXPECT_EQ(counter.paints, 17); // from the end back to 0, then each quarter
}

TEST(ClickSlider, WhatIsShownIsWhatAFreshSliderDrawsForTheValue)
{
    Shown stepped(600 * 1000);
    for (int ms = 0; ms <= 300 * 1000; ms += 250) {
        stepped.slider->setValue(ms);
        Shown::settle();
    }
    Shown fresh(600 * 1000, {40, 100});
    fresh.slider->setValue(300 * 1000);
    Shown::settle();
    EXPECT_EQ(stepped.onScreen(), fresh.onScreen());
}
