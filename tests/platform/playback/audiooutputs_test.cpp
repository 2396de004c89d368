// SPDX-License-Identifier: MIT
// Which sound server libmpv tries first, from the sockets that are there.
#include "audiooutputs.h"
#include "scopedenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(AudioOutputOrder, PipeWireComesFirstOnlyWhereItsSocketIs)
{
    if (QFile::exists("/run/pipewire/pipewire-0"))
        GTEST_SKIP() << "a system-wide PipeWire server is running";
    const QByteArray pipeWireFirst = "pipewire,pulse,alsa,null";
    const QByteArray pulseFirst = "pulse,alsa,pipewire,null";
    QTemporaryDir runtime;
    QTemporaryDir other;
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.path());
    environment.set("PIPEWIRE_RUNTIME_DIR", std::nullopt);
    environment.set("PIPEWIRE_REMOTE", std::nullopt);
    const auto touch = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    };

    // A PulseAudio desktop, or none: only its socket is there.
    ASSERT_TRUE(QDir(runtime.path()).mkdir("pulse"));
    ASSERT_TRUE(touch(runtime.filePath("pulse/native")));
    EXPECT_EQ(audioOutputOrder(), pulseFirst);

    ASSERT_TRUE(touch(runtime.filePath("pipewire-0")));
    EXPECT_EQ(audioOutputOrder(), pipeWireFirst);

    // PipeWire's own runtime directory is looked in instead of the session's.
    environment.set("PIPEWIRE_RUNTIME_DIR", other.path());
    EXPECT_EQ(audioOutputOrder(), pulseFirst);

    // A remote named by the environment, by name or by path.
    ASSERT_TRUE(touch(other.filePath("studio")));
    environment.set("PIPEWIRE_REMOTE", "studio");
    EXPECT_EQ(audioOutputOrder(), pipeWireFirst);
    environment.set("PIPEWIRE_REMOTE", runtime.filePath("studio"));
    EXPECT_EQ(audioOutputOrder(), pulseFirst);
    environment.set("PIPEWIRE_REMOTE", other.filePath("studio"));
    EXPECT_EQ(audioOutputOrder(), pipeWireFirst);
}
