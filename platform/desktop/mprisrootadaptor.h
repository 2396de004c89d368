// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <functional>

// org.mpris.MediaPlayer2 on the service's object: who the player is and the
// two things a desktop may ask of it as a whole, Raise and Quit.
//
// The D-Bus names of the interface are its members' names here (QtDBus
// exports slots and Q_PROPERTYs under their own names). Quit and Raise run
// from the event loop, after the reply has gone out. UI thread only.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    struct Identification {
        QString identity;     // the name a desktop shows
        QString desktopEntry; // the desktop entry's file name without ".desktop"
        QStringList mimeTypes;
    };

    // `parent` is the exported object. Empty hooks make CanQuit/CanRaise false.
    MprisRootAdaptor(Identification identification, std::function<void()> quit,
                     std::function<void()> raise, QObject* parent);

    bool canQuit() const { return static_cast<bool>(m_quit); }
    bool canRaise() const { return static_cast<bool>(m_raise); }
    bool hasTrackList() const { return false; }
    QString identity() const { return m_identification.identity; }
    QString desktopEntry() const { return m_identification.desktopEntry; }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const { return m_identification.mimeTypes; }

public slots:
    void Raise();
    void Quit();

private:
    Identification m_identification;
    std::function<void()> m_quit;
    std::function<void()> m_raise;
};
