// SPDX-License-Identifier: MIT
#include "frmMain.h"

#include "dialogs.h"
#include "icons.h"
#include "settings.h"
#include "twips.h"
#include "uifont.h"

#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>

namespace
{

const QString kNotice = QStringLiteral(
    "Mero Sonx2には、原因不明のエラーが起き、起動は出来るが、ダイアログが表示されないといった"
    "バグがあります。このソフトは、そのバグに陥った場合、設定を元に戻すソフトです。先に、Mero "
    "Sonx2を終了させておいてください。");

// Places a control by its design rectangle in twips.
void place(QWidget* control, double tpp, float left, float top, float width, float height)
{
    control->setGeometry(twips::toPixels(left, tpp), twips::toPixels(top, tpp),
                         twips::toPixels(width, tpp), twips::toPixels(height, tpp));
}

// The notice must fit its label whole. Japanese fonts here have a far taller
// line spacing than the gothic the layout was drawn with, so lines are set at
// the font's ascent, and the size steps down from 9 points until it fits.
void fitNotice(QLabel& label, const QString& text)
{
    label.setTextFormat(Qt::RichText);
    for (qreal points = 9; points >= 6; points -= 0.5) {
        const QFont font = japaneseFont(points);
        const QFontMetrics metrics(font);
        label.setFont(font);
        label.setText(QStringLiteral("<p style=\"line-height:%1%; margin:0\">%2</p>")
                          .arg(100 * metrics.ascent() / metrics.height())
                          .arg(text.toHtmlEscaped()));
        if (label.heightForWidth(label.width()) <= label.height())
            return;
    }
}

} // namespace

frmMain::frmMain(Dialogs& dialogs, QString programDirectory, QObject* parent)
    : Form(parent), m_dialogs(dialogs), m_programDirectory(std::move(programDirectory))
{
}

Form::Design frmMain::design() const
{
    Design d;
    d.caption = QStringLiteral("Mero Sonx2設定戻し");
    d.clientWidth = 5145;
    d.clientHeight = 1800;
    d.border = Border::FixedSingle;
    d.minButton = false;
    d.maxButton = false;
    d.icon = returnIcon();
    return d;
}

void frmMain::buildWindow(QMainWindow& window)
{
    QWidget* client = window.centralWidget();
    const double tpp = twips::perPixel(&window);
    client->setFont(japaneseFont(9));

    Label1 = new QLabel(client);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(Label1, tpp, 240, 120, 4695, 735);
    fitNotice(*Label1, kNotice);

    Return = new QPushButton(QStringLiteral("設定を戻す"), client);
    place(Return, tpp, 120, 1080, 2415, 615);
    Return->setDefault(true);
    Return->setAutoDefault(true);

    Close = new QPushButton(QStringLiteral("閉じる(&C)"), client);
    place(Close, tpp, 2640, 1080, 2415, 615);

    // Enter presses 設定を戻す (the default button); Esc closes.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    connect(escape, &QShortcut::activated, this, [this] { Close_Click(); });
    connect(Return, &QPushButton::clicked, this, [this] { Return_Click(); });
    connect(Close, &QPushButton::clicked, this, [this] { Close_Click(); });
    Return->setFocus();
}

void frmMain::Return_Click()
{
    const QString path = settingsWritePath(m_programDirectory);
    try {
        WriteSettings(path, kDefaultSettings);
    } catch (const SettingsError& e) {
        m_dialogs.msgBox(window(),
                         QStringLiteral("設定を書き込めませんでした。\n\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(path), e.reason()),
                         msgbox::kCritical);
        return;
    }
    m_dialogs.msgBox(window(), QStringLiteral("設定が完了しました。閉じてください。"),
                     msgbox::kInformation, QStringLiteral("設定完了"));
}

void frmMain::Close_Click()
{
    unload();
}
