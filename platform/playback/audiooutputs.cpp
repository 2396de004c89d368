// SPDX-License-Identifier: MIT
#include "audiooutputs.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace
{

// Where a PipeWire client looks for the server's socket: the remote's name
// (PIPEWIRE_REMOTE, "pipewire-0" by default; a path stands for itself) in the
// first runtime directory set, or in the system-wide one.
bool pipeWireSocketExists()
{
    QString remote = qEnvironmentVariable("PIPEWIRE_REMOTE");
    if (remote.isEmpty())
        remote = QStringLiteral("pipewire-0");
    if (QDir::isAbsolutePath(remote))
        return QFileInfo::exists(remote);
    const auto socketIn = [&remote](const QString& directory) {
        return QFileInfo::exists(QDir(directory).filePath(remote));
    };
    QString runtime;
    for (const char* name : {"PIPEWIRE_RUNTIME_DIR", "XDG_RUNTIME_DIR", "USERPROFILE"}) {
        runtime = qEnvironmentVariable(name);
        if (!runtime.isEmpty())
            break;
    }
    return (!runtime.isEmpty() && socketIn(runtime)) || socketIn(QStringLiteral("/run/pipewire"));
}

} // namespace

QByteArray audioOutputOrder()
{
    return pipeWireSocketExists() ? QByteArrayLiteral("pipewire,pulse,alsa,null")
                                  : QByteArrayLiteral("pulse,alsa,pipewire,null");
}
