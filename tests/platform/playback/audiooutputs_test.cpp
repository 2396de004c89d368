// SPDX-License-Identifier: MIT
// Which sound server libmpv tries first, from the sockets that are there.
#include "audiooutputs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

// Puts an environment variable back as it was when the test ends.
class SavedVariable
{
public:
    explicit SavedVariable(const char* name)
        : m_name(name), m_set(qEnvironmentVariableIsSet(name)), m_value(qgetenv(name))
    {
    }
    ~SavedVariable() { m_set ? qputenv(m_name, m_value) : qunsetenv(m_name); }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

private:
    const char* m_name;
    bool m_set;
    QByteArray m_value;
};

} // namespace

TEST(AudioOutputOrder, PipeWireComesFirstOnlyWhereItsSocketIs)
{
    if (QFile::exists("/run/pipewire/pipewire-0"))
        GTEST_SKIP() << "a system-wide PipeWire server is running";
    const QByteArray pipeWireFirst = "pipewire,pulse,alsa,null";
    const QByteArray pulseFirst = "pulse,alsa,pipewire,null";
    const SavedVariable saved[] = {SavedVariable("XDG_RUNTIME_DIR"),
                                   SavedVariable("PIPEWIRE_RUNTIME_DIR"),
                                   SavedVariable("PIPEWIRE_REMOTE")};
    QTemporaryDir runtime;
    QTemporaryDir other;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qunsetenv("PIPEWIRE_RUNTIME_DIR");
    qunsetenv("PIPEWIRE_REMOTE");
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
    qputenv("PIPEWIRE_RUNTIME_DIR", other.path().toUtf8());
    EXPECT_EQ(audioOutputOrder(), pulseFirst);

    // A remote named by the environment, by name or by path.
    ASSERT_TRUE(touch(other.filePath("studio")));
    qputenv("PIPEWIRE_REMOTE", "studio");
    EXPECT_EQ(audioOutputOrder(), pipeWireFirst);
    qputenv("PIPEWIRE_REMOTE", runtime.filePath("studio").toUtf8());
    EXPECT_EQ(audioOutputOrder(), pulseFirst);
    qputenv("PIPEWIRE_REMOTE", other.filePath("studio").toUtf8());
    EXPECT_EQ(audioOutputOrder(), pipeWireFirst);
}
