// SPDX-License-Identifier: MIT
// What the player shows whatever the size mode and the display toggles: why a
// file cannot be played, and the time.
#include "controlbar.h"
#include "mediaplayer.h"
#include "playerfixture.h"
#include "testmedia.h"

#include <QLabel>

namespace
{

class InView : public PlayerTest
{
protected:
    // The texts of the player's visible labels and its control bar's message.
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const QLabel* label : form->player()->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                texts << label->text();
        const ControlBar* bar = form->player()->findChild<ControlBar*>();
        if (bar && !bar->message().isEmpty())
            texts << bar->message();
        return texts;
    }
    ControlBar& bar() const { return *form->player()->findChild<ControlBar*>(); }
};

TEST_F(InView, AFailureIsShownWholeInEverySizeModeAndDisplayState)
{
    const QString noise = dir.filePath("noise.mp3");
    ASSERT_TRUE(writeBytes(noise, noiseBytes(32 * 1024, 3)));
    start(noise);
    ASSERT_TRUE(waitFor(
        [&] { return form->player()->playback()->state() == Playback::State::Failed; }, 8000));
    const QString reason = form->player()->playback()->error().text();
    struct Mode {
        const char* name;
        void (frmMeroSonx::*command)();
    };
    const Mode modes[] = {{"small", &frmMeroSonx::Small_Click},
                          {"compact", &frmMeroSonx::Compact_Click},
                          {"normal", &frmMeroSonx::Nomal_Click},
                          {"big", &frmMeroSonx::Big_Click}};
    for (const bool informationShown : {true, false}) {
        if (form->informationShown() != informationShown)
            form->Infor表示_Click();
        for (const Mode& mode : modes) {
            SCOPED_TRACE(std::string(mode.name) + (informationShown ? ", shown" : ", hidden"));
            (form.get()->*mode.command)();
            QCoreApplication::processEvents();
            const QStringList texts = shownTexts();
            EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const QString& t) {
                return t.contains(reason);
            })) << texts.join(" | ").toStdString();
        }
    }
}

TEST_F(InView, TheTimeIsInTheControlBarWhileTheStatusBarIsHidden)
{
    start(testMedia("tone10.wav"));
    ASSERT_TRUE(waitFor([&] { return form->player()->position() > 0.3; }, 8000));
    form->Nomal_Click();
    QCoreApplication::processEvents();
    const QLabel* time = nullptr;
    for (const QLabel* label : bar().findChildren<QLabel*>())
        if (label->accessibleName() == QStringLiteral("再生時間"))
            time = label;
    ASSERT_TRUE(time);
    EXPECT_FALSE(time->isVisible()) << "the status bar has the time";
    form->Infor表示_Click(); // hides the information and the status bar
    form->Compact_Click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(time->isVisible());
    EXPECT_TRUE(waitFor([&] { return bar().timeText().endsWith(QStringLiteral(" / 0:10")); }));
    EXPECT_TRUE(bar().timeText().startsWith(QStringLiteral("0:0")));
}

} // namespace
