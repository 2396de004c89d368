// SPDX-License-Identifier: MIT
#pragma once

#include "registry.h"

#include <QString>
#include <memory>

// The platform's registry: the system's own on Windows, a DesktopRegistry
// elsewhere.
std::unique_ptr<Registry> systemRegistry();

// Replaces each %NAME% of a REG_EXPAND_SZ text by the environment variable
// NAME; names that are not set stay as written, as the system leaves them.
QString expandEnvironmentStrings(const QString& text);
