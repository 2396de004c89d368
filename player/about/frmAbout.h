// SPDX-License-Identifier: MIT
#pragma once

#include "form.h"
#include "unseededrandom.h"

#include <QPointer>
#include <cstdint>

class CaptionLabel;
class Dialogs;
class LineShape;
class PictureBox;
class QPushButton;
class Registry;
class Shell;

// The version-information dialog: icon, title, version, author, the home page
// and mail links, the description, OK, and the system information launcher.
//
// A single instance owned by the main window for the whole run, shown modally
// with show(1). OK (also Enter and Escape) unloads it: the window and its
// controls go, the object and IconClickCount stay, and the next showing builds
// the window afresh from the design and runs Form_Load again.
//
// The dialogs, shell and registry are borrowed and must outlive the form.
class frmAbout : public Form
{
public:
    frmAbout(Dialogs& dialogs, Shell& shell, Registry& registry, QObject* parent = nullptr);
    ~frmAbout() override;

    // Handlers; each control's click is connected to its own.
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Label2_Click();
    void Label3_Click();
    void picIcon_Click();

    // Finds the system information tool through the registry and starts it, or
    // tells the user that it is not available.
    void StartSysInfo();
    // Reads the value `SubKeyRef` of the key `KeyName` below the root key
    // `KeyRoot` into `KeyVal` as text. True when the key could be opened and the
    // value read. A REG_SZ text loses its terminating zero (and ends at its
    // first zero); a REG_DWORD gives its number in decimal; any other type,
    // REG_EXPAND_SZ included (its %NAME% stay unexpanded), leaves `KeyVal` as it was. A missing key
    // or value empties `KeyVal`. Raises AppError 5 when the registry reports a value of no bytes.
    // The key is closed on every way out.
    bool GetKeyValue(const std::int32_t& KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);

    std::int32_t iconClickCount() const { return IconClickCount; }
    // The program's one generator behind the icon effect's colours.
    UnseededRandom& randomGenerator() { return m_random; }

    static const QString kUnavailableMessage;

protected:
    Design design() const override;
    void buildWindow(QMainWindow& window) override;
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The form's drawing scale: units to pixels on the form's screen.
    int unitsToPixelsX(float units);
    int unitsToPixelsY(float units);
    void connectHandlers();
    void showUnavailable();

    Dialogs& m_dialogs;
    Shell& m_shell;
    Registry& m_registry;
    UnseededRandom m_random;

    // Clicks on the icon over all showings in this run; never reset.
    std::int32_t IconClickCount = 0;

    // The controls of the current window; null while unloaded.
    QPointer<PictureBox> picIcon;
    QPointer<CaptionLabel> lblTitle;
    QPointer<CaptionLabel> lblVersion;
    QPointer<CaptionLabel> Label1;
    QPointer<CaptionLabel> Label2;
    QPointer<CaptionLabel> Label3;
    QPointer<CaptionLabel> lblDescription;
    QPointer<QPushButton> cmdOK;
    QPointer<QPushButton> cmdSysInfo;
    QPointer<LineShape> Line1[2];
};
