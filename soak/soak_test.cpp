// SPDX-License-Identifier: MIT
// A long session with one main window: 300 files opened in a row through the
// open command (good, corrupt and missing, every type), 1000 size and
// placement commands, the lyrics window opened and closed 200 times, the
// About box 200 times. Each phase: no crash, the UI answering, RSS within
// 10 % of what it was after the first 50 iterations, no more descriptors or
// threads than then; after the window is closed, none more than before it
// was opened. Run by soak/run, never by CTest.
#include "../tests/reliability/liveness.h"
#include "frmMeroSonx.h"
#include "processusage.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "soakmedia.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <malloc.h>
#include <memory>

namespace
{

constexpr int kWarmUp = 50;
constexpr double kMaxGrowth = 0.10;
constexpr int kOutcomeMs = 15000;

// MERO_SOAK_SCALE=n runs every phase n times as long (a longer soak).
int scaled(int iterations)
{
    const int scale = qEnvironmentVariableIntValue("MERO_SOAK_SCALE");
    return iterations * std::max(scale, 1);
}

class Soak : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        s_media = new SoakMedia(QStringLiteral(MERO_TEST_DATA_DIR "/soak"));
        s_dialogs = new ScriptedDialogs(QStringLiteral("Mero Sonx3"));
        std::printf("soak: %lld files to cycle through\n", qlonglong(s_media->files().size()));

        // One whole lifetime first: Qt, the GL stack and libmpv keep some of
        // what they set up for the rest of the process.
        {
            frmMeroSonx warm(*s_dialogs, QString(), s_dir->path());
            warm.show();
            if (!QTest::qWaitForWindowExposed(warm.window()))
                std::printf("soak: the first window was not exposed\n");
            s_form = &warm;
            openFile(s_media->files().front().path);
            closeAboutBoxSoon();
            warm.About_Click();
            warm.WordsWindow_Click();
            warm.wordsWindow().Close_Click();
            warm.unload();
            s_form = nullptr;
        }
        settle();
        s_before = measure();
        std::printf("soak: before the window   %s\n", qPrintable(s_before.toString()));

        s_form = new frmMeroSonx(*s_dialogs, QString(), s_dir->path());
        s_form->show();
        if (!QTest::qWaitForWindowExposed(s_form->window()))
            std::printf("soak: the window was not exposed\n");
    }

    static void TearDownTestSuite()
    {
        delete s_form;
        delete s_dialogs;
        delete s_media;
        delete s_dir;
    }

    // Lets deferred deletes and queued events run.
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            msUntilTheUiAnswers();
        }
    }

    // What the process holds, with the heap memory malloc keeps for reuse
    // given back first: that is caching, not growth. `raw` gets the figure
    // before the trim.
    static ProcessUsage measure(qint64* raw = nullptr)
    {
        if (raw)
            *raw = ProcessUsage::now().rssKb;
        malloc_trim(0);
        return ProcessUsage::now();
    }

    // Opens `path` through the open command; true once it plays or has failed.
    static bool openFile(const QString& path)
    {
        QSignalSpy loaded(s_form->player(), &MediaPlayer::fileLoaded);
        QSignalSpy failed(s_form->player(), &MediaPlayer::playbackFailed);
        s_dialogs->openAnswers.push_back(path);
        s_form->Open_Click();
        s_dialogs->openRequests.clear(); // the script's record, not the player's memory
        return QTest::qWaitFor([&] { return loaded.count() + failed.count() > 0; }, kOutcomeMs);
    }

    // Presses OK in the modal About box as soon as it is up.
    static void closeAboutBoxSoon()
    {
        QTimer::singleShot(0, [] {
            frmAbout& about = s_form->aboutBox();
            (void)QTest::qWaitForWindowExposed(about.window());
            about.cmdOK_Click();
        });
    }

    // Runs `step` `iterations` times, checking the UI answers after each, and
    // compares what the process holds after the warm-up with what it holds
    // at the end; `quiesce` brings both moments to the same idle state.
    void runPhase(const char* name, int iterations, const std::function<void(int)>& step,
                  const std::function<void()>& quiesce = settle)
    {
        ProcessUsage base;
        QMap<QString, qint64> baseMappings;
        qint64 baseRaw = 0;
        qint64 peakRss = 0;
        qint64 slowestAnswer = 0;
        for (int i = 0; i < iterations; ++i) {
            step(i);
            if (HasFatalFailure())
                return;
            const qint64 answer = msUntilTheUiAnswers();
            ASSERT_GE(answer, 0) << name << ": the UI stopped answering at iteration " << i;
            slowestAnswer = std::max(slowestAnswer, answer);
            if (i + 1 == kWarmUp) {
                quiesce();
                settle();
                base = measure(&baseRaw);
                baseMappings = ProcessUsage::residentByMapping();
            }
            peakRss = std::max(peakRss, ProcessUsage::now().rssKb);
            if (i + 1 > kWarmUp && (i + 1) % 250 == 0 && i + 1 < iterations)
                std::printf("soak: %-16s after %4d: RSS %lld KB\n", name, i + 1, measure().rssKb);
        }
        quiesce();
        settle();
        // What is on its way out gets the time to go.
        (void)QTest::qWaitFor(
            [&] {
                const ProcessUsage u = ProcessUsage::now();
                return u.fds <= base.fds && u.threads <= base.threads;
            },
            5000);
        qint64 endRaw = 0;
        const ProcessUsage end = measure(&endRaw);
        const double growth = double(end.rssKb - base.rssKb) / double(base.rssKb);
        const double rawGrowth = double(endRaw - baseRaw) / double(baseRaw);
        std::printf("soak: %-16s after %4d: %s (untrimmed %lld KB)\n", name, kWarmUp,
                    qPrintable(base.toString()), baseRaw);
        std::printf("soak: %-16s after %4d: %s (untrimmed %lld KB)\n", name, iterations,
                    qPrintable(end.toString()), endRaw);
        std::printf("soak: %-16s RSS %+.1f %% (untrimmed %+.1f %%), peak %lld KB, slowest "
                    "answer %lld ms\n",
                    name, growth * 100, rawGrowth * 100, peakRss, slowestAnswer);
        std::fflush(stdout);
        EXPECT_LT(growth, kMaxGrowth) << name;
        if (growth >= kMaxGrowth / 2)
            printGrowth(name, baseMappings, ProcessUsage::residentByMapping());
        EXPECT_LE(end.fds, base.fds) << name;
        EXPECT_LE(end.threads, base.threads) << name;
    }

    // The mappings whose resident size changed most between two moments.
    static void printGrowth(const char* name, const QMap<QString, qint64>& before,
                            const QMap<QString, qint64>& after)
    {
        QList<std::pair<qint64, QString>> changes;
        for (auto it = after.begin(); it != after.end(); ++it)
            changes.append({it.value() - before.value(it.key()), it.key()});
        std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
            return std::abs(a.first) > std::abs(b.first);
        });
        for (const auto& [kb, mapping] : changes.first(std::min<qsizetype>(6, changes.size())))
            std::printf("soak: %-16s %+8lld KB in %s\n", name, kb, qPrintable(mapping));
    }

    static QTemporaryDir* s_dir;
    static SoakMedia* s_media;
    static ScriptedDialogs* s_dialogs;
    static frmMeroSonx* s_form;
    static ProcessUsage s_before;
};

QTemporaryDir* Soak::s_dir = nullptr;
SoakMedia* Soak::s_media = nullptr;
ScriptedDialogs* Soak::s_dialogs = nullptr;
frmMeroSonx* Soak::s_form = nullptr;
ProcessUsage Soak::s_before;

TEST_F(Soak, ThreeHundredFilesThroughTheOpenCommand)
{
    const QList<SoakFile>& files = s_media->files();
    int played[3] = {};
    int failed[3] = {};
    // A path to nothing leaves the engine idle: the same state at both measurements.
    const QString nothing = s_dir->filePath(QStringLiteral("nothing.wav"));
    runPhase(
        "open files", scaled(300),
        [&](int i) {
            const SoakFile& file = files[i % files.size()];
            QSignalSpy loaded(s_form->player(), &MediaPlayer::fileLoaded);
            ASSERT_TRUE(openFile(file.path))
                << "neither played nor failed: " << qPrintable(file.path);
            const bool plays = loaded.count() > 0;
            (plays ? played : failed)[int(file.kind)] += 1;
            if (file.kind == SoakFile::Kind::Good) {
                EXPECT_TRUE(plays)
                    << qPrintable(file.path) << ": " << qPrintable(s_form->player()->statusText());
            } else if (file.kind == SoakFile::Kind::Missing) {
                EXPECT_FALSE(plays) << qPrintable(file.path);
            }
            if (!plays) {
                EXPECT_TRUE(
                    s_form->player()->statusText().startsWith(QStringLiteral("再生できません：")));
            }
        },
        [&] { ASSERT_TRUE(openFile(nothing)); });
    std::printf("soak: played / failed: good %d / %d, corrupt %d / %d, missing %d / %d\n",
                played[0], failed[0], played[1], failed[1], played[2], failed[2]);
}

TEST_F(Soak, ThousandSizeAndPlacementCommands)
{
    const std::function<void()> commands[] = {
        [] { s_form->Nomal_Click(); },      [] { s_form->Small_Click(); },
        [] { s_form->Compact_Click(); },    [] { s_form->Big_Click(); },
        [] { s_form->Left_Up_Click(); },    [] { s_form->Infor表示_Click(); },
        [] { s_form->中央位置_Click(); },   [] { s_form->Nomal_Click(); },
        [] { s_form->Right_Down_Click(); }, [] { s_form->Big_Click(); },
        [] { s_form->Compact_Click(); },    [] { s_form->Infor表示_Click(); },
        [] { s_form->Small_Click(); },      [] { s_form->中央位置_Click(); },
    };
    runPhase("size/placement", scaled(1000), [&](int i) { commands[i % std::size(commands)](); });
    EXPECT_TRUE(s_dialogs->messages.empty()) << "a command reported an error";
}

TEST_F(Soak, LyricsWindowOpenedAndClosed200Times)
{
    const QString txt = s_dir->filePath(QStringLiteral("歌詞.txt"));
    const QString rtf = s_dir->filePath(QStringLiteral("歌詞.rtf"));
    {
        QFile f(txt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < 200; ++i)
            f.write(QStringLiteral("さくら さくら 弥生の空は %1\n").arg(i).toUtf8());
    }
    {
        QFile f(rtf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS;}}{\\colortbl;\\red255"
                "\\green0\\blue0;}\\f0\\cf1\\b \\'89\\'cc\\'8e\\'8c\\b0\\par\\u26149?\\par}");
    }
    runPhase("lyrics window", scaled(200), [&](int i) {
        s_form->WordsWindow_Click();
        frmWords& words = s_form->wordsWindow();
        s_dialogs->openAnswers.push_back(i % 2 ? rtf : txt);
        words.Open_Click();
        s_dialogs->openRequests.clear();
        ASSERT_FALSE(words.textBox()->text().isEmpty()) << "iteration " << i;
        words.Close_Click();
        ASSERT_FALSE(words.isLoaded());
    });
}

TEST_F(Soak, AboutBox200Times)
{
    runPhase("About box", scaled(200), [&](int i) {
        closeAboutBoxSoon();
        s_form->About_Click();
        ASSERT_FALSE(s_form->aboutBox().isLoaded()) << "iteration " << i;
    });
}

TEST_F(Soak, ClosingTheWindowLeavesNothingBehind)
{
    s_form->Quit_Click();
    delete s_form;
    s_form = nullptr;
    settle();
    (void)QTest::qWaitFor(
        [] {
            const ProcessUsage u = ProcessUsage::now();
            return u.fds <= s_before.fds && u.threads <= s_before.threads;
        },
        5000);
    const ProcessUsage after = measure();
    std::printf("soak: after the window    %s\n", qPrintable(after.toString()));
    EXPECT_LE(after.fds, s_before.fds);
    EXPECT_LE(after.threads, s_before.threads);
    EXPECT_NO_THROW(ReadSettings(settingsPath(s_dir->path())));
}

} // namespace
