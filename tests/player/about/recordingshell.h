// SPDX-License-Identifier: MIT
#pragma once

#include "shell.h"

#include <QString>
#include <functional>
#include <vector>

// A shell that records what it is asked instead of opening or starting
// anything. A program "starts" when `canStart` says so: by default any path
// that is not empty.
class RecordingShell final : public Shell
{
public:
    struct OpenCall {
        QWidget* window = nullptr;
        QString address;
    };

    std::vector<OpenCall> opened;
    std::vector<QString> started;
    std::function<bool(const QString&)> canStart = [](const QString& path) {
        return !path.isEmpty();
    };

    void open(QWidget* window, const QString& address) override
    {
        opened.push_back({window, address});
    }
    bool startProgram(const QString& path) override
    {
        started.push_back(path);
        return canStart(path);
    }
};
