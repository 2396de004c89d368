// SPDX-License-Identifier: MIT
#include "filesearch.h"

#include <QFileInfo>

QString findOrdinaryFile(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return {};
    return info.fileName();
}
