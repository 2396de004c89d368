// SPDX-License-Identifier: MIT
#include "dialogs.h"
#include "frmMain.h"
#include "platformchoice.h"
#include "qttranslations.h"
#include "sessionend.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // On a Wayland session: the platform where windows can be placed.
    PlatformChoice platform(argc, argv);
    QApplication app(platform.argc(), platform.argv());
    QApplication::setApplicationName(QStringLiteral("Return"));
    QGuiApplication::setDesktopFileName(QStringLiteral("merosonx-return"));
    installJapaneseQtTranslations();
    QtDialogs dialogs(QStringLiteral("Mero Sonx2設定戻し"));
    frmMain form(dialogs, QCoreApplication::applicationDirPath());
    QObject::connect(&form, &Form::unloaded, &app, &QCoreApplication::quit);
    form.show();
    // A signal or the session's end closes the window as 閉じる does.
    SessionEnd sessionEnd([&form] { form.unload(); });
    return app.exec();
}
