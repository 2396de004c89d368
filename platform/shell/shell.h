// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// What the programs ask of the desktop shell: opening an address with the
// user's program for it, and starting a program.
class Shell
{
public:
    virtual ~Shell() = default;

    // The shell's "open" of `address` (a web address, or "mailto:" and a mail
    // address), shown normally, on behalf of `window`. The browser or mail
    // program is the desktop's choice; whether one could open it is not
    // reported.
    virtual void open(QWidget* window, const QString& address) = 0;

    // Starts the program at `path` without arguments and without waiting for
    // it. The path is the program itself, used as given: never quoted, split
    // at blanks or searched for arguments. False when it cannot be started.
    virtual bool startProgram(const QString& path) = 0;
};
