// SPDX-License-Identifier: MIT
#pragma once

#include "commondialog.h"
#include "form.h"
#include "richtextbox.h"

#include <QPointer>

class Dialogs;
class LyricsFollower;
class Playback;

// The lyrics window: a resizable tool window with one rich text box that
// loads a .txt or .rtf file (or a dropped .lrc). Closing it destroys the
// text; the next showing starts empty. Time-tagged lyrics follow the playback
// given to setPlayback() (LyricsFollower).
class frmWords : public Form
{
public:
    // `mediaDialog`: the main window's open dialog, whose last chosen media
    // path starts this window's dialog.
    frmWords(Dialogs& dialogs, const CommonDialog& mediaDialog, QObject* parent = nullptr);

    void Open_Click();
    void Close_Click();

    // Loads a file dropped on this window or the main window, as Open_Click
    // does once the dialog has given it a path. A file that cannot be read is
    // reported in a message box; the text stays as it was.
    void loadDroppedFile(const QString& path);

    // Whether a dropped file is one for this window: text, rich text or timed
    // lyrics (.txt, .rtf, .lrc), judged by its name.
    static bool isLyricsFile(const QString& path);

    // The playback that time-tagged lyrics follow; null for none. Kept while
    // the window is closed and opened again.
    void setPlayback(Playback* playback);

    RichTextBox* textBox() const { return rtb; }
    CommonDialog& openDialog() { return cmd; }

    static const QString kLyricsFilter;

protected:
    Design design() const override;
    void buildWindow(QMainWindow& window) override;
    void Form_Load() override;
    void Form_Resize() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Dialogs& m_dialogs;
    const CommonDialog& m_mediaDialog;
    CommonDialog cmd;
    QPointer<RichTextBox> rtb;
    QPointer<Playback> m_playback;
    QPointer<LyricsFollower> m_follower;
};
