// SPDX-License-Identifier: MIT
#include "frmMeroSonx.h"

#include "apperror.h"
#include "dialogs.h"
#include "filelookup.h"
#include "helpfile.h"
#include "icons.h"
#include "mainmenu.h"
#include "settings.h"
#include "systemregistry.h"
#include "uifont.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <cmath>
#include <limits>
#include <utility>

const QString frmMeroSonx::kCaptionSuffix = QStringLiteral(" - Mero Sonx Ver3.0");

const QString frmMeroSonx::kMediaFilter = QStringLiteral(
    "すべての対応ﾌｧｲﾙ|*.mid;*.wav;*.mp3;*.avi;*.mpeg;*.mpg;*.cda;*.asf;*.asx;*.wax;*.wma;*.wmv;"
    "*.wvx;*.wmp;*.wmx|ＭＩＤﾌｧｲﾙ(*.mid&*.rmi)|*.mid;*.rmi|ＷＡＶﾌｧｲﾙ(*.wav)|*.wav|ＭＰ３ﾌｧｲﾙ(*."
    "mp3)|*.mp3|ＡＶＩﾌｧｲﾙ(*.avi)|*.avi|MPEGﾌｧｲﾙ(*.mpeg&*.mpg)|*.mpeg;*.mpg|CDｵｰﾃﾞｨｵﾄﾗｯｸ(*.cda)|"
    "*.cda|UNIXの形式(*.au&*.snd)|*.au;*.snd|MacAIFF(*.aif&*.aifc&*.aiff)|*.aif;*.aifc;*.aiff|"
    "再生ﾘｽﾄ(WMPで設定が可能)|*.asf;*.asx;*.wax;*.wma;*.wmv;*.wvx;*.wmp;*.wmx|すべてのファイル(*.*"
    ")|*.*");

namespace
{

// The size-mode table, twips.
struct SizeMode {
    float heightShown;
    float heightHidden;
    float width;
};
constexpr SizeMode kCompact{2850, 1395, 4305};
constexpr SizeMode kNormal{5565, 4110, 4300};

// The player is this much narrower and shorter than the window's outer size.
constexpr float kPlayerWidthMargin = 100;
constexpr float kPlayerHeightMargin = 700;

// A twip value as the settings file holds it: the nearest whole number, a half
// to the even neighbour, kept inside 32 bits.
std::int32_t wholeTwips(float value)
{
    const double rounded = std::nearbyint(double(value));
    if (!(rounded >= std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (rounded > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

// Whether a window at this outer rectangle (twips) would show on some screen.
bool onSomeScreen(const Settings& s)
{
    for (const QScreen* screen : QGuiApplication::screens()) {
        const double tpp = 1440.0 / screen->logicalDotsPerInch();
        const QRectF window(s.left / tpp, s.top / tpp, s.width / tpp, s.height / tpp);
        if (window.intersects(QRectF(screen->geometry())))
            return true;
    }
    return false;
}

} // namespace

frmMeroSonx::frmMeroSonx(Dialogs& dialogs, QString commandLine, QString programDirectory,
                         QObject* parent)
    : Form(parent), m_dialogs(dialogs), m_commandLine(std::move(commandLine)),
      m_programDirectory(std::move(programDirectory)),
      cmdOpen(dialogs, QStringLiteral("ファイルの選択")), m_words(dialogs, cmdOpen),
      m_registry(systemRegistry()), m_about(dialogs, m_shell, *m_registry)
{
    // libmpv reads the file while the window is built; Form_Load names it as
    // ever, and the playback finds it under way.
    if (!m_commandLine.isEmpty())
        m_foundAhead = findFirstFile(m_commandLine);
    if (m_foundAhead) {
        m_playbackAhead = std::make_unique<Playback>();
        m_playbackAhead->openAhead(m_commandLine);
    }
}

frmMeroSonx::~frmMeroSonx() = default;

Form::Design frmMeroSonx::design() const
{
    Design d;
    d.caption = QStringLiteral("Mero Sonx Ver3.0");
    d.clientWidth = 4260;
    d.clientHeight = 4890;
    d.border = Border::Sizable;
    d.centered = true;
    d.icon = meroSonxIcon();
    return d;
}

void frmMeroSonx::buildWindow(QMainWindow& window)
{
    window.setFont(japaneseFont(9));
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    m_menu = buildMainMenu(*window.menuBar(), *this);
    // All four menus must show across the narrowest size (4300 twips): the
    // style's roomy item padding would push ヘルプ(&H) into the overflow.
    window.menuBar()->setStyleSheet(
        QStringLiteral("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 2px 4px; }"));

    MP = m_playbackAhead ? new MediaPlayer(m_playbackAhead.release(), window.centralWidget())
                         : new MediaPlayer(window.centralWidget());
    MP->move(0, 0);
    MP->setWidth(4290);
    MP->setHeight(4875);
    MP->setFocus();
    // Full screen covers the menus: their shortcut keys still reach them.
    QList<QAction*> commands;
    for (const QPointer<QAction>& item : std::as_const(m_menu)) {
        if (item && !item->shortcut().isEmpty())
            commands.append(item);
    }
    MP->setWindowCommands(commands);
    cmdOpen.setOwner(&window);
}

QAction* frmMeroSonx::menuItem(const QString& name) const
{
    return m_menu.value(name);
}

bool frmMeroSonx::informationShown() const
{
    return m_menu.value(QStringLiteral("Infor表示"))->isChecked();
}

void frmMeroSonx::setPlayerDisplay(bool shown)
{
    // Always as a pair, the information panel first.
    MP->setShowDisplay(shown);
    MP->setShowStatusBar(shown);
}

void frmMeroSonx::Form_Load()
{
    // 1-5: a file named on the command line plays and names the caption.
    if (!m_commandLine.isEmpty()) {
        // As found when the form was made; looked up afresh when it was not
        // found then, or when the window is loaded once more.
        std::optional<QString> found = std::exchange(m_foundAhead, std::nullopt);
        if (!found)
            found = findFirstFile(m_commandLine);
        if (found) {
            setCaption(*found + kCaptionSuffix);
            MP->setFileName(m_commandLine);
        } else {
            m_dialogs.msgBox(window(), QStringLiteral("エラーです。"), msgbox::kOkOnly);
        }
    }
    // 6-9: the window as it was left.
    applySettings();
    // 10.
    m_loaded = -1;
}

// Reads Settei.dat and applies it. A file that cannot be used (missing,
// unreadable, cut short, a value out of range or one the window cannot take)
// gives way to Return's defaults: the window must come up whatever the file
// holds, and a good file is written at exit.
void frmMeroSonx::applySettings()
{
    Settings s = kDefaultSettings;
    try {
        s = ReadSettings(settingsLocation(m_programDirectory).readPath);
    } catch (const SettingsError&) {
    }
    const bool usable = s.windowState >= 0 && s.windowState <= 2 && s.width > 0 && s.height > 0;
    if (!usable)
        s = kDefaultSettings;
    // A window wholly off every screen keeps its size but comes back to the
    // defaults' corner; one partly off an edge stays where the user left it.
    if (!onSomeScreen(s)) {
        s.top = kDefaultSettings.top;
        s.left = kDefaultSettings.left;
    }
    m_settings = s;

    // Size and position go to the normal window first; a maximized or
    // minimized state follows, so that restoring gives the saved geometry.
    setHeight(float(m_settings.height));
    setWidth(float(m_settings.width));
    setTop(float(m_settings.top));
    setLeft(float(m_settings.left));
    setWindowState(m_settings.windowState);

    m_menu.value(QStringLiteral("Infor表示"))->setChecked(m_settings.showInformation != 0);
    if (m_settings.showInformation == 0)
        setPlayerDisplay(false);
}

void frmMeroSonx::Form_Unload()
{
    // Full screen is never saved; it leaves the window as it was anyway.
    if (MP)
        MP->setFullScreen(false);
    if (windowState() == 1)
        setWindowState(0);
    m_settings = {
        .height = wholeTwips(height()),
        .width = wholeTwips(width()),
        .windowState = windowState(),
        .top = wholeTwips(top()),
        .left = wholeTwips(left()),
        .showInformation = std::int16_t(informationShown() ? -1 : 0),
    };

    const QString path = settingsWritePath(m_programDirectory);
    try {
        WriteSettings(path, m_settings);
    } catch (const SettingsError& e) {
        m_dialogs.msgBox(window(),
                         QStringLiteral("設定を保存できませんでした。\n\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(path), e.reason()),
                         msgbox::kCritical);
    }
    // The program ends with this window: every other window goes with it.
    m_words.unload();
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != window() && other->isVisible())
            other->close();
    }
}

void frmMeroSonx::Quit_Click()
{
    unload();
}

void frmMeroSonx::Form_Resize()
{
    try {
        if (m_loaded != -1)
            return;
        const int state = windowState();
        if (state == 0 || state == 2) {
            MP->setWidth(width() - kPlayerWidthMargin);
            MP->setHeight(height() - kPlayerHeightMargin);
        }
        MP->setDisplaySize(4);
    } catch (const AppError&) {
        // A size the player cannot take waits for the next resize.
    }
}

void frmMeroSonx::FitPlayerToWindow()
{
    MP->setWidth(width() - kPlayerWidthMargin);
    MP->setHeight(height() - kPlayerHeightMargin);
}

void frmMeroSonx::resizeToMode(float heightShown, float heightHidden, float modeWidth)
{
    bool retried = false;
    for (;;) {
        try {
            setHeight(informationShown() ? heightShown : heightHidden);
            setWidth(modeWidth);
            return;
        } catch (const AppError& e) {
            if (e.number() == errors::kMinimizedOrMaximized && !retried) {
                retried = true;
                try {
                    setWindowState(0);
                    continue;
                } catch (const AppError& again) {
                    m_dialogs.msgBox(window(), again.source(), msgbox::kExclamation,
                                     QStringLiteral("ｴﾗｰ"));
                    return;
                }
            }
            m_dialogs.msgBox(window(), e.source(), msgbox::kExclamation, QStringLiteral("ｴﾗｰ"));
            return;
        }
    }
}

void frmMeroSonx::Small_Click()
{
    setWindowState(1);
}

void frmMeroSonx::Compact_Click()
{
    resizeToMode(kCompact.heightShown, kCompact.heightHidden, kCompact.width);
}

void frmMeroSonx::Nomal_Click()
{
    resizeToMode(kNormal.heightShown, kNormal.heightHidden, kNormal.width);
}

void frmMeroSonx::Big_Click()
{
    setWindowState(2);
}

void frmMeroSonx::Infor表示_Click()
{
    QAction* mark = m_menu.value(QStringLiteral("Infor表示"));
    const bool show = !mark->isChecked();
    mark->setChecked(show);
    setPlayerDisplay(show);
    Form_Resize();
}

void frmMeroSonx::Left_Up_Click()
{
    setWindowState(0);
    setTop(0);
    setLeft(0);
}

void frmMeroSonx::中央位置_Click()
{
    setWindowState(0);
    setTop(screenHeight() / 2 - height() / 2);
    setLeft(screenWidth() / 2 - width() / 2);
}

void frmMeroSonx::Right_Down_Click()
{
    setWindowState(0);
    setTop(screenHeight() - height());
    setLeft(screenWidth() - width());
}

void frmMeroSonx::Open_Click()
{
    try {
        cmdOpen.setCancelError(true);
        cmdOpen.setFilter(kMediaFilter);
        cmdOpen.showOpen();
        openMediaPath(cmdOpen.fileName());
    } catch (const AppError&) {
        // Cancel, or a step that failed: the handler ends here, silently.
    }
}

void frmMeroSonx::openMediaPath(const QString& path)
{
    setCaption(QFileInfo(path).fileName() + kCaptionSuffix);
    MP->setFileName(path);
    FitPlayerToWindow();
    Form_Resize();
}

void frmMeroSonx::openDroppedFile(const QString& path)
{
    if (frmWords::isLyricsFile(path)) {
        WordsWindow_Click();
        m_words.loadDroppedFile(path);
        return;
    }
    try {
        openMediaPath(path);
    } catch (const AppError&) {
        // As after the open dialog: the player reports what it cannot play.
    }
}

bool frmMeroSonx::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == loadedWindow() && loadedWindow() && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        for (const QUrl& url : drag->mimeData()->urls()) {
            if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) {
                drag->acceptProposedAction();
                return true;
            }
        }
        return false;
    }
    if (watched == loadedWindow() && loadedWindow() && event->type() == QEvent::Drop) {
        // The first media file plays and the first lyrics file shows: words
        // and music may come in one drop.
        auto* drop = static_cast<QDropEvent*>(event);
        QString media;
        QString lyrics;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile())
                continue;
            QString& slot = frmWords::isLyricsFile(url.toLocalFile()) ? lyrics : media;
            if (slot.isEmpty())
                slot = url.toLocalFile();
        }
        if (media.isEmpty() && lyrics.isEmpty())
            return false;
        drop->acceptProposedAction();
        if (!media.isEmpty())
            openDroppedFile(media);
        if (!lyrics.isEmpty())
            openDroppedFile(lyrics);
        return true;
    }
    return Form::eventFilter(watched, event);
}

// Places the lyrics window beside the main window, on the left when there is
// room for it there and the main window is below the screen's top edge, else
// on the right, and shows it modeless.
void frmMeroSonx::WordsWindow_Click()
{
    m_words.setPlayback(MP->playback());
    if (top() > 0) {
        if (left() > m_words.width()) {
            m_words.setTop(top());
            m_words.setLeft(left() - m_words.width());
        } else {
            m_words.setTop(top());
            m_words.setLeft(left() + width());
        }
    } else {
        m_words.setTop(0);
        m_words.setLeft(left() + width());
    }
    m_words.show();
}

// Modal: the main window takes no input until the About box is closed.
void frmMeroSonx::About_Click()
{
    m_about.show(1);
}

// Opens the help viewer at its finder, beside the player.
void frmMeroSonx::Topics_Click()
{
    cmdOpen.setHelpFile(helpFilePath(m_programDirectory));
    cmdOpen.setHelpCommand(HelpLauncher::kFinder);
    cmdOpen.showHelp();
}
