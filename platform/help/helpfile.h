// SPDX-License-Identifier: MIT
#pragma once

#include <QDir>
#include <QString>

// The help collection that the build writes into the program directory, next
// to its MeroSonx.qch.
inline const QString kHelpFileName = QStringLiteral("MeroSonx.qhc");

// Program directory + separator + the help file name, joined as they are.
inline QString helpFilePath(const QString& programDirectory)
{
    return programDirectory + QDir::separator() + kHelpFileName;
}
