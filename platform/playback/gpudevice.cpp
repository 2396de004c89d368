// SPDX-License-Identifier: MIT
#include "gpudevice.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

bool mayHaveGpu()
{
#ifdef Q_OS_LINUX
    if (qEnvironmentVariableIntValue("LIBGL_ALWAYS_SOFTWARE") != 0)
        return false;
    const QStringList nodes = QDir(QStringLiteral("/dev/dri"))
                                  .entryList({QStringLiteral("card*"), QStringLiteral("renderD*")},
                                             QDir::System | QDir::Files);
    return !nodes.isEmpty() || QFileInfo::exists(QStringLiteral("/dev/nvidiactl"));
#else
    return true;
#endif
}
