// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

// The programs' Japanese gothic font: "ＭＳ Ｐゴシック" where it exists, else
// the installed Japanese gothic fonts, at `pointSize`.
QFont japaneseFont(qreal pointSize = 9);
