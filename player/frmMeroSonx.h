// SPDX-License-Identifier: MIT
#pragma once

#include "commondialog.h"
#include "desktopshell.h"
#include "form.h"
#include "frmAbout.h"
#include "frmWords.h"
#include "mediaplayer.h"
#include "registry.h"
#include "settings.h"

#include <QAction>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>

class Dialogs;

// The player's main window: hosts the player control MP and the open dialog
// cmdOpen, owns the menu, restores the window from Settei.dat at start-up and
// saves it there however the window is closed.
//
// The handlers keep the names the menu table gives them; they are plain
// member functions, connected by the menu builder.
class frmMeroSonx : public Form
{
public:
    // `commandLine`: the whole text after the program name. `programDirectory`:
    // where Settei.dat lives.
    frmMeroSonx(Dialogs& dialogs, QString commandLine, QString programDirectory,
                QObject* parent = nullptr);
    ~frmMeroSonx() override;

    // Menu handlers.
    void Open_Click();
    void Quit_Click();
    void WordsWindow_Click();
    void Small_Click();
    void Compact_Click();
    void Nomal_Click();
    void Big_Click();
    void Left_Up_Click();
    void 中央位置_Click();
    void Right_Down_Click();
    void Infor表示_Click();
    void Topics_Click();
    void About_Click();

    void FitPlayerToWindow();

    // Opens a file dropped on the window: a lyrics file (.txt, .rtf, .lrc) in
    // the lyrics window, placed as its command places it, while the music goes
    // on; anything else as the open command does once the dialog has given it
    // a path.
    void openDroppedFile(const QString& path);

    MediaPlayer* player() const { return MP; }
    CommonDialog& openDialog() { return cmdOpen; }
    frmWords& wordsWindow() { return m_words; }
    frmAbout& aboutBox() { return m_about; }
    QAction* menuItem(const QString& name) const;
    bool informationShown() const;

    static const QString kMediaFilter;
    static const QString kCaptionSuffix;

protected:
    Design design() const override;
    void buildWindow(QMainWindow& window) override;
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applySettings();
    // Names `path` in the caption, hands it to the player and refits the
    // player. Fails with the first step that fails.
    void openMediaPath(const QString& path);
    void resizeToMode(float heightShown, float heightHidden, float width);
    void setPlayerDisplay(bool shown);

    Dialogs& m_dialogs;
    QString m_commandLine;
    QString m_programDirectory;

    // The settings record while it is read and applied, and while it is saved.
    Settings m_settings;
    std::int16_t m_loaded = 0; // -1 from the end of start-up on

    QPointer<MediaPlayer> MP;
    // The command line's file, opening before the window that will show it
    // exists; MP takes it over.
    std::unique_ptr<Playback> m_playbackAhead;
    std::optional<QString> m_foundAhead; // the command line's file as first found
    CommonDialog cmdOpen;
    QHash<QString, QPointer<QAction>> m_menu;
    frmWords m_words;
    DesktopShell m_shell;
    std::unique_ptr<Registry> m_registry;
    frmAbout m_about;
};
