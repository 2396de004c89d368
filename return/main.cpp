// SPDX-License-Identifier: MIT
#include "dialogs.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Return"));
    QtDialogs dialogs(QStringLiteral("Mero Sonx2設定戻し"));
    frmMain form(dialogs, QCoreApplication::applicationDirPath());
    QObject::connect(&form, &Form::unloaded, &app, &QCoreApplication::quit);
    form.show();
    return app.exec();
}
