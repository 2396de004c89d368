// SPDX-License-Identifier: MIT
#include "dialogs.h"
#include "filelookup.h"
#include "frmMeroSonx.h"
#include "mprisservice.h"
#include "platformchoice.h"
#include "qttranslations.h"
#include "screensaverinhibitor.h"
#include "sessionend.h"
#include "uifont.h"
#include "videoinhibitpolicy.h"

#include <QApplication>
#include <QDBusConnection>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <thread>

// AddressSanitizer's leak check runs at exit: such builds go through it.
#if defined(__SANITIZE_ADDRESS__)
#define MERO_LEAK_CHECK_AT_EXIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MERO_LEAK_CHECK_AT_EXIT 1
#endif
#endif

namespace
{

// The program from start to quit; every object of it is gone on return.
int run(int argc, char** argv)
{
    // The command line is one media path, taken before Qt could claim words
    // such as "-style" for itself.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString commandLine = joinArguments(arguments);

    // Qt sees the program's name only, and on a Wayland session the platform
    // where the window can be placed.
    PlatformChoice platform(1, argv);
    QApplication app(platform.argc(), platform.argv());
    // libmpv needs C number formatting; Qt has just applied the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    // Two things the window's making waits for are done meanwhile on threads
    // of their own: fontconfig's configuration (dozens of files, read for the
    // window's first text) and the session bus, which Qt's accessibility
    // bridge asks for as soon as a widget is named (where no bus is named,
    // reaching one means trying to start one).
    std::jthread fontConfiguration([] { FcInit(); });
    std::jthread busConnection([] { QDBusConnection::sessionBus(); });
    QApplication::setApplicationName(QStringLiteral("MeroSonx"));
    QGuiApplication::setDesktopFileName(MprisService::kDesktopEntry);
    QApplication::setFont(japaneseFont(9));
    installJapaneseQtTranslations();
    // The menus stay in the window, where the form counts them in its sizes,
    // never in a desktop's global menu bar.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);

    QtDialogs dialogs(QStringLiteral("Mero Sonx3"));
    frmMeroSonx form(dialogs, commandLine, QCoreApplication::applicationDirPath());
    QObject::connect(&form, &Form::unloaded, &app, &QCoreApplication::quit);
    fontConfiguration.join();
    form.show();

    // The desktop's ways of ending the program go through the main window's
    // unload, as 終了(&Q) does: Settei.dat is saved once, whichever comes first.
    SessionEnd sessionEnd([&form] { form.unload(); });

    // Media keys and the desktop's media controls; the screen stays on while a
    // video plays. Without a session bus both stay silent.
    busConnection.join();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    MprisService::Hooks hooks;
    hooks.quit = [&form] { form.Quit_Click(); };
    hooks.raise = [&form] {
        if (!form.isLoaded())
            return;
        if (form.windowState() == 1)
            form.setWindowState(0);
        form.loadedWindow()->raise();
        form.loadedWindow()->activateWindow();
    };
    hooks.open = [&form](const QString& path) {
        if (form.isLoaded())
            form.openDroppedFile(path);
    };
    MprisService mpris(form.player()->playback(), std::move(hooks), bus);
    ScreenSaverInhibitor screenSaver(bus, QStringLiteral("Mero Sonx"));
    VideoInhibitPolicy videoInhibit(form.player()->playback(), screenSaver);

    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const int code = run(argc, argv);
#if defined(MERO_LEAK_CHECK_AT_EXIT)
    return code;
#else
    // Settei.dat is written, libmpv has stopped and Qt has closed its
    // connections. What exit() would still run are the destructors of the
    // some 250 libraries libmpv loads: about a third of the time quitting
    // takes, with nothing of the user's in it.
    std::fflush(nullptr);
    std::_Exit(code);
#endif
}
