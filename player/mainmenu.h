// SPDX-License-Identifier: MIT
#pragma once

#include <QAction>
#include <QHash>
#include <QPointer>
#include <QString>

class QMenuBar;
class frmMeroSonx;

// Builds the main window's menu bar from its table, connects every command to
// its handler and returns the items by name.
QHash<QString, QPointer<QAction>> buildMainMenu(QMenuBar& bar, frmMeroSonx& form);
