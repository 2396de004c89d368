// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The directory search for one ordinary file: the name of the file that `path`
// names when it exists and is an ordinary file (not a directory, not hidden),
// an empty text otherwise. `path` is taken literally: no wildcards.
QString findOrdinaryFile(const QString& path);
