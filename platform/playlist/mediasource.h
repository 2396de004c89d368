// SPDX-License-Identifier: MIT
#pragma once

#include "mediaresolution.h"

#include <QObject>
#include <QString>

// The file the player was given and what it stands for: the items to play,
// which of them plays now and how to name it.
//
// resolve() handles anything but a playlist at once; a playlist is read on a
// worker thread (it names files that must all be looked at) in two steps:
// first its first kFirstEntries playable entries, announced by resolved(), so
// that it starts playing at once however long it is (and a broken first
// entry is passed over at once); then the whole list, announced by
// extended() when it has more than those. A later resolve() or
// clear() drops results still to come. UI thread only; the workers touch
// nothing of this object.
class MediaSource : public QObject
{
    Q_OBJECT
public:
    explicit MediaSource(QObject* parent = nullptr);

    static constexpr int kFirstEntries = 64;

    void clear();
    // True when the resolution is there already; false when resolved() follows.
    bool resolve(const QString& absolutePath);

    const MediaResolution& resolution() const { return m_resolution; }
    const QList<MediaItem>& items() const { return m_resolution.items; }
    bool isPlaylist() const { return m_resolution.isPlaylist; }
    // A single MIDI file: it needs the synthesizer's soundfont.
    bool isMidi() const;

    int current() const { return m_current; } // -1 until an item plays
    void setCurrent(int index) { m_current = index; }
    const MediaItem* currentItem() const;

    // The current entry's title in its playlist, else `tagTitle`, else the
    // entry's file name, else `fallback` (the chosen file's name).
    QString title(const QString& tagTitle, const QString& fallback) const;
    // `tagArtist`, else the current entry's author in its playlist.
    QString artist(const QString& tagArtist) const;

signals:
    void resolved();
    // items() now holds the whole playlist; those before `firstNew` are the
    // ones resolved() announced, unchanged.
    void extended(int firstNew);

private:
    void resolveInBackground(const QString& absolutePath, int entryLimit);

    MediaResolution m_resolution;
    int m_current = -1;
    quint64 m_request = 0; // counts resolve() and clear(); a later one voids earlier results
};
