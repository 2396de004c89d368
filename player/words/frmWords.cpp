// SPDX-License-Identifier: MIT
#include "frmWords.h"

#include "apperror.h"
#include "dialogs.h"
#include "icons.h"
#include "lyricsfollower.h"
#include "uifont.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>

const QString frmWords::kLyricsFilter =
    QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|ﾘｯﾁﾃｷｽﾄﾌｧｲﾙ(*.rtf)|*.rtf");

namespace
{

// RichTextBox::LoadFile's error for a file that is not there.
constexpr int kFileNotFound = 53;

// The first local lyrics file among dropped URLs, if any.
QString droppedLyricsFile(const QMimeData* data)
{
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isFile() && frmWords::isLyricsFile(info.filePath()))
            return info.filePath();
    }
    return {};
}

} // namespace

frmWords::frmWords(Dialogs& dialogs, const CommonDialog& mediaDialog, QObject* parent)
    : Form(parent), m_dialogs(dialogs), m_mediaDialog(mediaDialog), cmd(dialogs)
{
}

Form::Design frmWords::design() const
{
    Design d;
    d.caption = QStringLiteral("歌詞ｳｨﾝﾄﾞｳ");
    d.clientWidth = 4680;
    d.clientHeight = 3195;
    d.border = Border::SizableToolWindow;
    d.minButton = false;
    d.maxButton = false;
    d.taskbarButton = false;
    d.icon = meroSonxIcon();
    return d;
}

void frmWords::buildWindow(QMainWindow& window)
{
    window.setFont(japaneseFont(9));
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    QMenuBar* bar = window.menuBar();
    connect(bar->addAction(QStringLiteral("開く(&O)")), &QAction::triggered, this,
            [this] { Open_Click(); });
    connect(bar->addAction(QStringLiteral("閉じる(&C)")), &QAction::triggered, this,
            [this] { Close_Click(); });

    rtb = new RichTextBox(window.centralWidget());
    rtb->setWidth(3855);
    rtb->setHeight(2415);
    m_follower = new LyricsFollower(rtb);
    m_follower->setPlayback(m_playback);
    cmd.setOwner(&window);
}

void frmWords::setPlayback(Playback* playback)
{
    m_playback = playback;
    if (m_follower)
        m_follower->setPlayback(playback);
}

void frmWords::Form_Load()
{
    rtb->setTop(0);
    rtb->setLeft(0);
}

// The box fills the client area under the menu bar, so its last lines and
// the lower end of its scroll bar stay inside the window.
void frmWords::Form_Resize()
{
    rtb->setHeight(scaleHeight());
    rtb->setWidth(scaleWidth());
}

void frmWords::Open_Click()
{
    try {
        cmd.setFilter(kLyricsFilter);
        cmd.setCancelError(true);
        cmd.setFileName(m_mediaDialog.fileName());
        cmd.showOpen();
        rtb->LoadFile(cmd.fileName());
    } catch (const AppError&) {
        // Cancel, or a file the box cannot load: the text stays as it was.
    }
}

void frmWords::Close_Click()
{
    unload();
}

bool frmWords::isLyricsFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"txt" || suffix == u"rtf" || suffix == u"lrc";
}

void frmWords::loadDroppedFile(const QString& path)
{
    try {
        rtb->LoadFile(path);
    } catch (const AppError& e) {
        const QString reason = e.number() == kFileNotFound
                                   ? QStringLiteral("ファイルが見つかりません。")
                                   : QStringLiteral("ファイルを読み込めません。");
        m_dialogs.msgBox(window(),
                         QStringLiteral("歌詞ファイルを開けませんでした。\n\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(path), reason),
                         msgbox::kExclamation);
    }
}

bool frmWords::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == loadedWindow() && loadedWindow() && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (droppedLyricsFile(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    if (watched == loadedWindow() && loadedWindow() && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = droppedLyricsFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        loadDroppedFile(path);
        return true;
    }
    return Form::eventFilter(watched, event);
}
