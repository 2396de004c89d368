// SPDX-License-Identifier: MIT
#include "dialogs.h"
#include "filelookup.h"
#include "frmMeroSonx.h"
#include "uifont.h"

#include <QApplication>

#include <clocale>

int main(int argc, char** argv)
{
    // The command line is one media path, taken before Qt could claim words
    // such as "-style" for itself.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString commandLine = joinArguments(arguments);

    // The video surface moves between windows without losing its GL context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // libmpv needs C number formatting; Qt has just applied the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("MeroSonx"));
    QApplication::setFont(japaneseFont(9));

    QtDialogs dialogs(QStringLiteral("Mero Sonx3"));
    frmMeroSonx form(dialogs, commandLine, QCoreApplication::applicationDirPath());
    QObject::connect(&form, &Form::unloaded, &app, &QCoreApplication::quit);
    form.show();
    return app.exec();
}
