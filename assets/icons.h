// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

// 32 x 32, 16 colours each.
QIcon meroSonxIcon();
QIcon returnIcon();
