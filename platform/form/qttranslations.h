// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

// Makes Qt's own texts Japanese, whatever the session's locale: its dialogs,
// standard buttons and help widgets (Qt's "qtbase" and "qt_help" catalogues,
// from QLibraryInfo's translations folder), and dates and names that Qt
// formats through the default QLocale. Call once, after the application
// object exists and before any window is built.
//
// Number formatting stays as it was: QLocale's default is not the C library's
// LC_NUMERIC, and Japanese digits and decimal point are the ASCII ones.
//
// Returns the catalogues that could not be loaded (empty when all were): the
// texts of those stay English.
QStringList installJapaneseQtTranslations();
