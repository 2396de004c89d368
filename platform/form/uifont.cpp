// SPDX-License-Identifier: MIT
#include "uifont.h"

#include <QStringList>

QFont japaneseFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPAexGothic"), QStringLiteral("VL PGothic"),
                      QStringLiteral("Sans Serif")});
    font.setPointSizeF(pointSize);
    return font;
}
