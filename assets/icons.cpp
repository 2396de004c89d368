// SPDX-License-Identifier: MIT
#include "icons.h"

#include "icons/merosonx.xpm"
#include "icons/return.xpm"

#include <QPixmap>

QIcon meroSonxIcon()
{
    return QIcon(QPixmap(merosonx_xpm));
}

QIcon returnIcon()
{
    return QIcon(QPixmap(return_xpm));
}
