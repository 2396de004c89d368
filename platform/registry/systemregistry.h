// SPDX-License-Identifier: MIT
#pragma once

#include "registry.h"

#include <QString>
#include <memory>

// The platform's registry: the system's own on Windows, a DesktopRegistry
// elsewhere.
std::unique_ptr<Registry> systemRegistry();
