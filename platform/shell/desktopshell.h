// SPDX-License-Identifier: MIT
#pragma once

#include "shell.h"

// The desktop's own shell: QDesktopServices for addresses, QProcess for
// programs.
class DesktopShell final : public Shell
{
public:
    void open(QWidget* window, const QString& address) override;
    // A path that is empty or holds a zero character names no program: false,
    // nothing started.
    bool startProgram(const QString& path) override;
};
