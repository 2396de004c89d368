// SPDX-License-Identifier: MIT
#include "desktopshell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

void DesktopShell::open(QWidget* /*window*/, const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
}

bool DesktopShell::startProgram(const QString& path)
{
    // The system would cut the path at a zero and start whatever the first
    // part names; we start nothing instead.
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    return QProcess::startDetached(path, {});
}
