// SPDX-License-Identifier: MIT
#include "systemregistry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "win32registry.h"

#else
#include "desktopregistry.h"
#endif

std::unique_ptr<Registry> systemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<Win32Registry>();
#else
    return std::make_unique<DesktopRegistry>();
#endif
}
