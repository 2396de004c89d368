// SPDX-License-Identifier: MIT
// A long session with one main window: 300 files opened in a row through the
// open command (good, corrupt and missing, every type), 1000 size and
// placement commands, the lyrics window opened and closed 200 times, the
// About box 200 times, then faults while files play (cut short, deleted,
// the sound server restarted, 50 000 entries, ten hours, two gigabytes). Each phase: no crash, the
// UI answering, RSS within 10 % of what it was after the first 50 iterations, no more descriptors
// or threads than then; after the window is closed, none more than before it was opened. Run by
// soak/run, never by CTest.
#include "../tests/reliability/liveness.h"
#include "frmMeroSonx.h"
#include "processusage.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "soakmedia.h"
#include "soundserver.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
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

// Faults while files play: the file cut short or deleted under the player,
// the sound server killed and started again, a list of 50 000 entries, ten
// hours and two gigabytes of sound seeked about.
TEST_F(Soak, FaultsWhilePlaying)
{
    Playback& playback = *s_form->player()->playback();
    QTemporaryDir work;
    const QString song = work.filePath(QStringLiteral("song.wav"));
    const QString original = work.filePath(QStringLiteral("original.wav"));
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                           "sine=f=440:d=6", original}),
              0);
    // Silence, left sparse: the header says how long.
    auto sparseWav = [&](const QString& name, quint32 rate, quint16 channels, double seconds) {
        const quint32 bytes = quint32(seconds * rate * channels * 2);
        const quint32 header[] = {0x46464952,
                                  36 + bytes,
                                  0x45564157,
                                  0x20746d66,
                                  16,
                                  1u | quint32(channels) << 16,
                                  rate,
                                  rate * channels * 2,
                                  quint32(channels * 2) | 16u << 16,
                                  0x61746164,
                                  bytes};
        QFile file(work.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(header), sizeof header);
        file.resize(qint64(sizeof header) + bytes);
        return file.fileName();
    };
    const QString tenHours = sparseWav("ten-hours.wav", 8000, 1, 36000);
    const QString twoGigabytes = sparseWav("two-gb.wav", 44100, 2, 2e9 / (44100 * 4));
    const QString bigList = work.filePath(QStringLiteral("big.m3u"));
    {
        QFile list(bigList);
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        for (int i = 0; i < 50000; ++i)
            list.write(QFile::encodeName(original) + '\n');
    }
    const bool haveServer = !QStandardPaths::findExecutable("pulseaudio").isEmpty();
    QTemporaryDir runtime;
    SoundServer server(runtime.path());
    if (haveServer) {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        qputenv("PULSE_RUNTIME_PATH", (runtime.path() + "/pulse").toUtf8());
        ASSERT_TRUE(server.start());
    }
    auto playsPast = [&](double seconds) {
        return QTest::qWaitFor(
            [&] {
                return playback.state() == Playback::State::Playing &&
                       playback.position() > seconds;
            },
            kOutcomeMs);
    };
    const QString nothing = s_dir->filePath(QStringLiteral("nothing.wav"));
    int lists = 0;
    runPhase(
        "faults playing", scaled(100),
        [&](int i) {
            switch (i % 5) {
            case 0: // cut short
                QFile::remove(song);
                ASSERT_TRUE(QFile::copy(original, song));
                ASSERT_TRUE(openFile(song));
                ASSERT_TRUE(playsPast(0.1));
                QFile::resize(song, 4096);
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] { return playback.state() == Playback::State::Failed; }, kOutcomeMs))
                    << qPrintable(playback.statusText());
                break;
            case 1: // deleted: the open file plays on to its end
                QFile::remove(song);
                ASSERT_TRUE(QFile::copy(original, song));
                ASSERT_TRUE(openFile(song));
                ASSERT_TRUE(playsPast(0.1));
                QFile::remove(song);
                playback.seek(5.8);
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] { return playback.state() == Playback::State::Stopped; }, kOutcomeMs));
                break;
            case 2: // long and large files, seeked about
                ASSERT_TRUE(openFile(i % 2 ? tenHours : twoGigabytes));
                ASSERT_TRUE(playsPast(0.05));
                for (const double at : {0.9, 0.1, 0.5}) {
                    const double to = playback.duration() * at;
                    playback.seek(to);
                    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.position() > to + 0.2; },
                                                kOutcomeMs));
                }
                break;
            case 3: // every fifth time the long list, read whole
                if (i % 25 == 3) {
                    ASSERT_TRUE(openFile(bigList));
                    ASSERT_TRUE(playsPast(0.05));
                    ASSERT_TRUE(
                        QTest::qWaitFor([&] { return playback.entryCount() == 50000; }, 60000));
                    playback.seek(5.9);
                    ASSERT_TRUE(
                        QTest::qWaitFor([&] { return playback.currentEntry() == 1; }, kOutcomeMs));
                    ++lists;
                } else {
                    ASSERT_TRUE(openFile(original));
                }
                break;
            case 4: // the sound server goes and comes back while a file plays
                ASSERT_TRUE(openFile(original));
                ASSERT_TRUE(playsPast(0.05));
                if (haveServer && i % 10 == 4) {
                    (void)QTest::qWaitFor([&] { return playback.audioOutput() == "pulse"; },
                                          kOutcomeMs);
                    server.stop();
                    ASSERT_TRUE(
                        QTest::qWaitFor([&] { return playback.isSoundLost(); }, kOutcomeMs));
                    ASSERT_TRUE(server.start());
                    ASSERT_TRUE(
                        QTest::qWaitFor([&] { return !playback.isSoundLost(); }, kOutcomeMs));
                }
                break;
            }
        },
        [&] { ASSERT_TRUE(openFile(nothing)); });
    std::printf("soak: faults playing: %d long lists read and stepped, sound server %s\n", lists,
                haveServer ? "restarted" : "not installed");
    EXPECT_NO_THROW(ReadSettings(settingsPath(s_dir->path())));
    server.stop();
    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("PULSE_RUNTIME_PATH");
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
