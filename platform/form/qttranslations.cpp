// SPDX-License-Identifier: MIT
#include "qttranslations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QStringList installJapaneseQtTranslations()
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);

    QStringList missing;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalogue : {"qtbase", "qt_help"}) {
        // Owned by the application, which keeps it installed to its end.
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(japanese, QString::fromLatin1(catalogue), QStringLiteral("_"),
                             folder) &&
            QCoreApplication::installTranslator(translator)) {
            continue;
        }
        delete translator;
        missing.append(QString::fromLatin1(catalogue));
    }
    if (!missing.isEmpty())
        qWarning().noquote() << "Qt's Japanese texts not found in" << folder << ":"
                             << missing.join(QStringLiteral(", "));
    return missing;
}
