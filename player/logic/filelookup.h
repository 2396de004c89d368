// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Looks a command-line text up as a file name: ordinary files only (no
// directories, devices, pipes or hidden dot-files), "*" and "?" as wildcards
// in the last path component, relative paths against the current directory.
// Returns the name, without its directory, of the first match in name order.
std::optional<QString> findFirstFile(const QString& text);

// The whole command line after the program name as one text: the shell split
// it at blanks, so the pieces are joined again with single blanks.
QString joinArguments(const QStringList& arguments);
