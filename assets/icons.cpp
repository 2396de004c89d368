// SPDX-License-Identifier: MIT
#include "icons.h"

#include <QPixmap>

#include "icons/merosonx.xpm"
#include "icons/return.xpm"

QIcon meroSonxIcon()
{
    return QIcon(QPixmap(merosonx_xpm));
}

QIcon returnIcon()
{
    return QIcon(QPixmap(return_xpm));
}
