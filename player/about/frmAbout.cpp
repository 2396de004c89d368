// SPDX-License-Identifier: MIT
#include "frmAbout.h"

#include "aboutlayout.h"
#include "captionlabel.h"
#include "dialogs.h"
#include "filesearch.h"
#include "icons.h"
#include "lineshape.h"
#include "picturebox.h"
#include "productinfo.h"
#include "registry.h"
#include "shell.h"
#include "sysinfolocations.h"
#include "systemregistry.h"
#include "twips.h"
#include "uifont.h"

#include <QKeyEvent>
#include <QMainWindow>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

const QString frmAbout::kUnavailableMessage = u"現時点ではｼｽﾃﾑ情報を使用できません"_s;

namespace
{

// READ_CONTROL and all six key rights, as the launcher has always asked.
constexpr std::uint32_t kKeyAccess = 0x2003F;
constexpr std::uint32_t kValueBufferBytes = 1024;
// The icon effect's panel height, units: 3045 twips, down to the grey line.
constexpr float kPanelHeightUnits = 2101.713f;
constexpr int kClicksBeforeEffect = 10;

// A key opened by GetKeyValue; closes it however the function is left.
class OpenKey
{
public:
    explicit OpenKey(Registry& registry) : m_registry(registry) {}
    ~OpenKey()
    {
        if (m_open)
            m_registry.closeKey(m_handle);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    reg::Status open(reg::HKey root, const QByteArray& path)
    {
        reg::HKey handle = 0;
        const reg::Status status = m_registry.openKeyEx(root, path, 0, kKeyAccess, handle);
        if (status == reg::kSuccess) {
            m_handle = handle;
            m_open = true;
        }
        return status;
    }
    reg::HKey handle() const { return m_handle; }

private:
    Registry& m_registry;
    reg::HKey m_handle = 0;
    bool m_open = false;
};

// A colour component from a number in [0, 1): the integer part of 255 times
// it, so 0 to 254, never 255.
int colourComponent(float random)
{
    return int(random * 255.0f);
}

// A REG_DWORD's bytes, last to first, read as one hexadecimal number: its value
// in decimal. More bytes than a number holds give the "&h" text itself.
QString dwordText(const QByteArray& bytes)
{
    QString hex;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it)
        hex += QStringLiteral("%1").arg(quint8(*it), 2, 16, QChar(u'0')).toUpper();
    if (bytes.size() > 8)
        return u"&h"_s + hex;
    return QString::number(hex.isEmpty() ? 0 : hex.toULongLong(nullptr, 16));
}

} // namespace

frmAbout::frmAbout(Dialogs& dialogs, Shell& shell, Registry& registry, QObject* parent)
    : Form(parent), m_dialogs(dialogs), m_shell(shell), m_registry(registry)
{
}

frmAbout::~frmAbout() = default;

Form::Design frmAbout::design() const
{
    Design d;
    d.caption = u"ﾊﾞｰｼﾞｮﾝ情報"_s;
    d.clientWidth = aboutlayout::kClientWidth;
    d.clientHeight = aboutlayout::kClientHeight;
    d.border = Border::FixedSingle;
    d.centered = true;
    d.minButton = false;
    d.maxButton = false;
    d.taskbarButton = false;
    d.icon = meroSonxIcon();
    return d;
}

void frmAbout::buildWindow(QMainWindow& window)
{
    using namespace aboutlayout;
    QWidget* client = window.centralWidget();
    client->setFont(japaneseFont(9));
    const double tpp = twips::perPixel(&window);
    const auto px = [tpp](int twipValue) { return twips::toPixels(twipValue, tpp); };

    std::vector<std::pair<int, QWidget*>> focusOrder;
    for (const ControlDesign& c : controls()) {
        const QRect r(px(c.twips.x()), px(c.twips.y()), px(c.twips.width()), px(c.twips.height()));
        QWidget* widget = nullptr;
        switch (c.kind) {
        case ControlKind::Picture: {
            auto* box = new PictureBox(client);
            box->setPicture(meroSonxIcon().pixmap(32, 32));
            widget = box;
            break;
        }
        case ControlKind::Label: {
            auto* label = new CaptionLabel(client);
            label->setFont(fontFor(c.look));
            label->setForeColor(colorFor(c.look));
            label->setCaption(c.caption);
            if (c.look == Look::Link)
                label->setCursor(Qt::PointingHandCursor);
            widget = label;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(c.caption, client);
            // Enter presses the focused button; the default one when focus is
            // elsewhere (see eventFilter).
            button->setAutoDefault(true);
            button->setDefault(c.defaultAndCancel);
            focusOrder.emplace_back(c.tabIndex, button);
            widget = button;
            break;
        }
        }
        widget->setObjectName(c.name);
        widget->setGeometry(r);
        if (auto* label = qobject_cast<CaptionLabel*>(widget); label && c.fitWidth)
            label->resize(std::max(r.width(), label->naturalWidth() + 1), r.height());
    }
    for (const LineDesign& l : lines()) {
        auto* line = new LineShape(l.color, client);
        line->setObjectName(QStringLiteral("%1_%2").arg(l.name).arg(l.index));
        line->setGeometry(px(l.twips.x1()), px(l.twips.y1()), px(l.twips.x2()) - px(l.twips.x1()),
                          l.penPixels);
        line->lower();
        Line1[l.index] = line;
    }

    const auto find = [client](const QString& name) {
        return client->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    };
    picIcon = qobject_cast<PictureBox*>(find(u"picIcon"_s));
    lblTitle = qobject_cast<CaptionLabel*>(find(u"lblTitle"_s));
    lblVersion = qobject_cast<CaptionLabel*>(find(u"lblVersion"_s));
    Label1 = qobject_cast<CaptionLabel*>(find(u"Label1"_s));
    Label2 = qobject_cast<CaptionLabel*>(find(u"Label2"_s));
    Label3 = qobject_cast<CaptionLabel*>(find(u"Label3"_s));
    lblDescription = qobject_cast<CaptionLabel*>(find(u"lblDescription"_s));
    cmdOK = qobject_cast<QPushButton*>(find(u"cmdOK"_s));
    cmdSysInfo = qobject_cast<QPushButton*>(find(u"cmdSysInfo"_s));
    picIcon->raise(); // the effect's panel lies over the labels

    std::sort(focusOrder.begin(), focusOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);

    window.installEventFilter(this);
    connectHandlers();
}

void frmAbout::connectHandlers()
{
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(Label2, &CaptionLabel::clicked, this, &frmAbout::Label2_Click);
    connect(Label3, &CaptionLabel::clicked, this, &frmAbout::Label3_Click);
    connect(picIcon, &PictureBox::clicked, this, &frmAbout::picIcon_Click);
}

void frmAbout::Form_Load()
{
    lblDescription->setCaption(aboutlayout::descriptionText());
    cmdOK->setFocus();
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    // Key presses that no control took reach the window: Escape, and Enter
    // while the focus is on no button, press OK, the default and cancel button.
    if (event->type() == QEvent::KeyPress && isLoaded() && watched == window()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers == Qt::NoModifier &&
            (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
             key->key() == Qt::Key_Enter)) {
            if (cmdOK)
                cmdOK->click();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void frmAbout::cmdOK_Click()
{
    unload();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::Label2_Click()
{
    m_shell.open(window(), productinfo::homePage());
}

void frmAbout::Label3_Click()
{
    m_shell.open(window(), u"mailto:"_s + productinfo::mailAddress());
}

int frmAbout::unitsToPixelsX(float units)
{
    return twips::toPixels(units * aboutlayout::kTwipsPerUnitX, twipsPerPixel());
}

int frmAbout::unitsToPixelsY(float units)
{
    return twips::toPixels(units * aboutlayout::kTwipsPerUnitY, twipsPerPixel());
}

void frmAbout::picIcon_Click()
{
    if (IconClickCount < std::numeric_limits<std::int32_t>::max())
        ++IconClickCount;
    if (IconClickCount < kClicksBeforeEffect || !picIcon)
        return;

    picIcon->setPicture({});
    // Drawn in this order: red, green, blue.
    const int red = colourComponent(m_random.next());
    const int green = colourComponent(m_random.next());
    const int blue = colourComponent(m_random.next());
    picIcon->setBackColor(QColor(red, green, blue));
    picIcon->cls();
    // Down to the grey line; as wide in units as the dialog is in twips (its
    // outer width), so always past the inner area's right edge.
    const int heightPixels = unitsToPixelsY(kPanelHeightUnits);
    const int widthPixels = unitsToPixelsX(width());
    picIcon->setGeometry(0, 0, widthPixels, heightPixels);
    picIcon->print(aboutlayout::patternText());
}

void frmAbout::showUnavailable()
{
    m_dialogs.msgBox(isLoaded() ? window() : nullptr, kUnavailableMessage, msgbox::kOkOnly);
}

void frmAbout::StartSysInfo()
{
    // Every failure on the way, a run-time error included, ends in the one
    // message. Nothing is remembered between presses.
    try {
        QString sysInfoPath;
        const std::int32_t root = reg::kHkeyLocalMachine32;
        if (!GetKeyValue(root, sysinfo::kPathKey, sysinfo::kPathValue, sysInfoPath)) {
            if (!GetKeyValue(root, sysinfo::kLocationKey, sysinfo::kLocationValue, sysInfoPath)) {
                showUnavailable();
                return;
            }
            // The backslash is always added, even after one the value ends in.
            const QString program = sysInfoPath + u'\\' + sysinfo::kProgramFile;
            if (findOrdinaryFile(program).isEmpty()) {
                showUnavailable();
                return;
            }
            sysInfoPath = program;
        }
        // The registered path is started as it stands, not tested first.
        if (m_shell.startProgram(sysInfoPath))
            return;
    } catch (const std::exception&) {
    }
    showUnavailable();
}

bool frmAbout::GetKeyValue(const std::int32_t& KeyRoot, const QString& KeyName,
                           const QString& SubKeyRef, QString& KeyVal)
{
    OpenKey key(m_registry);
    if (key.open(reg::HKey(KeyRoot), KeyName.toLocal8Bit()) != reg::kSuccess) {
        KeyVal.clear();
        return false;
    }

    std::array<char, kValueBufferBytes> buffer{};
    std::uint32_t size = kValueBufferBytes;
    std::uint32_t type = reg::kRegNone;
    if (m_registry.queryValueEx(key.handle(), SubKeyRef.toLocal8Bit(), type, buffer.data(), size) !=
        reg::kSuccess) {
        KeyVal.clear();
        return false;
    }

    // Sizes count bytes of the ANSI code page; the text is trimmed in bytes and
    // decoded afterwards, so a multi-byte character is never cut in two.
    if (size == 0)
        raise(5, QStringLiteral("Invalid procedure call or argument"));
    qsizetype n = std::min<std::uint32_t>(size, kValueBufferBytes);
    if (buffer[n - 1] == '\0')
        --n; // the terminating zero
    const QByteArray data(buffer.data(), n);

    switch (type) {
    case reg::kRegSz: {
        // A text ends at its first zero, whatever the size says: the path is
        // handed to the system as a C string, which would end there anyway.
        const qsizetype zero = data.indexOf('\0');
        KeyVal = QString::fromLocal8Bit(zero < 0 ? data : data.left(zero));
        break;
    }
    case reg::kRegDword:
        KeyVal = dwordText(data);
        break;
    default:
        break; // found, but no text: KeyVal stays as it was
    }
    return true;
}
