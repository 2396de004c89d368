// SPDX-License-Identifier: MIT
#include "form.h"

#include "apperror.h"
#include "twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace
{

constexpr float kWidthAllowance = 100;
constexpr float kHeightAllowance = 400;
constexpr float kMenuHeightAllowance = 700;
// Pixel bounds that every window system can take.
constexpr int kMaxExtent = 16000;
constexpr int kMaxOffset = 32000;
constexpr std::size_t kStaleLimit = 8;

template <typename T> bool consume(std::deque<T>& stale, const T& value)
{
    const auto it = std::find(stale.begin(), stale.end(), value);
    if (it == stale.end())
        return false;
    stale.erase(stale.begin(), it + 1);
    return true;
}

template <typename T> void remember(std::deque<T>& stale, const T& value)
{
    stale.push_back(value);
    if (stale.size() > kStaleLimit)
        stale.pop_front();
}

int clampedPixels(double pixels, int low, int high)
{
    return static_cast<int>(std::clamp(std::round(pixels), double(low), double(high)));
}

int clampedPixels(float twipValue, double perPixel, int low, int high)
{
    return clampedPixels(twipValue / perPixel, low, high);
}

// One axis of a placement, pixels: the window's outer extent as the model
// counts it and as the window manager frames it, and the screen's span.
struct Axis {
    double modelExtent;
    double frameExtent;
    double screenStart;
    double screenExtent;

    double modelRoom() const { return screenExtent - modelExtent; }
    double frameRoom() const { return screenExtent - frameExtent; }
    // Whether the two rooms map onto each other: both on the same side of
    // zero and not vanishing.
    bool maps() const
    {
        return std::abs(modelRoom()) >= 0.5 && std::abs(frameRoom()) >= 0.5 &&
               (modelRoom() > 0) == (frameRoom() > 0);
    }
};

// Where the visible frame goes for a model position: the same fraction of the
// frame's room as the model position is of the model's. Before the screen's
// start the frame keeps the model's position, past the far end its distance
// from the end.
double toFrame(double model, const Axis& a)
{
    if (!a.maps())
        return model;
    const double fraction = std::clamp((model - a.screenStart) / a.modelRoom(), 0.0, 1.0);
    return model + (a.modelExtent - a.frameExtent) * fraction;
}

// The inverse of toFrame.
double toModel(double frame, const Axis& a)
{
    if (!a.maps())
        return frame;
    const double fraction = (frame - a.screenStart) / a.frameRoom();
    if (fraction <= 0)
        return frame;
    if (fraction >= 1)
        return frame - (a.modelExtent - a.frameExtent);
    return a.screenStart + fraction * a.modelRoom();
}

// The frames the window manager drew last, per kind of border: a window not
// yet shown is placed as though it will get the same.
QMargins& lastFrame(int border)
{
    static QMargins frames[3];
    return frames[std::clamp(border, 0, 2)];
}

// Counts the geometry writes in progress, so that the events they raise
// synchronously are not taken for the user's.
class Writing
{
public:
    explicit Writing(int& depth) : m_depth(depth) { ++m_depth; }
    ~Writing() { --m_depth; }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

private:
    int& m_depth;
};

} // namespace

// The Qt window behind a form: hands its events to the form.
class FormWindow : public QMainWindow
{
public:
    FormWindow(Form* form, Qt::WindowFlags flags) : QMainWindow(nullptr, flags), m_form(form) {}

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QMainWindow::resizeEvent(event);
        if (owned())
            m_form->windowResized(event->size());
    }
    void moveEvent(QMoveEvent* event) override
    {
        QMainWindow::moveEvent(event);
        if (owned())
            m_form->windowMoved();
    }
    void changeEvent(QEvent* event) override
    {
        QMainWindow::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && owned())
            m_form->windowStateChanged();
    }
    void showEvent(QShowEvent* event) override
    {
        QMainWindow::showEvent(event);
        // Showing a window raises a resize once, as the handlers expect.
        if (owned() && !m_shown) {
            m_shown = true;
            m_form->callResize();
        }
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (!owned() || m_form->m_unloading) {
            event->accept();
            return;
        }
        event->ignore();
        m_form->windowCloseRequested();
    }

private:
    bool owned() const { return m_form && m_form->m_window == this; }
    QPointer<Form> m_form;
    bool m_shown = false;
};

Form::Form(QObject* parent) : QObject(parent) {}

Form::~Form()
{
    delete m_window.data();
}

void Form::raise(int number, const QString& description)
{
    throw AppError(number, QCoreApplication::applicationName(), description);
}

void Form::load()
{
    if (m_window)
        return;
    const Design d = design();

    Qt::WindowFlags flags = Qt::Window;
    switch (d.border) {
    case Border::Sizable:
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (d.minButton)
            flags |= Qt::WindowMinimizeButtonHint;
        if (d.maxButton)
            flags |= Qt::WindowMaximizeButtonHint;
        break;
    case Border::FixedSingle:
        flags = Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        break;
    case Border::SizableToolWindow:
        flags =
            Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    }
    if (d.border == Border::Sizable || d.border == Border::FixedSingle)
        flags |= Qt::CustomizeWindowHint;
    if (!d.taskbarButton && d.border != Border::SizableToolWindow)
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Tool;

    auto* window = new FormWindow(this, flags);
    m_window = window;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(d.caption);
    if (!d.icon.isNull())
        window->setWindowIcon(d.icon);
    auto* client = new QWidget(window);
    window->setCentralWidget(client);
    // The form decides its own size: no layout minimum may overrule it.
    window->layout()->setSizeConstraint(QLayout::SetNoConstraint);

    buildWindow(*window);
    m_hasMenu = window->menuWidget() != nullptr;
    if (m_hasMenu)
        window->menuWidget()->ensurePolished();

    m_border = d.border;
    m_state = 0;
    m_staleSizes.clear();
    m_stalePositions.clear();
    m_normal.width = d.clientWidth + kWidthAllowance;
    m_normal.height = d.clientHeight + heightAllowance();
    m_placed = d.centered;
    if (d.centered) {
        m_normal.left = screenWidth() / 2 - m_normal.width / 2;
        m_normal.top = screenHeight() / 2 - m_normal.height / 2;
    }
    {
        Writing writing(m_writing);
        applySize();
        if (m_placed)
            applyPosition();
    }
    m_lastResize = window->size();
    m_fixed = d.border == Border::FixedSingle;
    if (m_fixed)
        window->setFixedSize(window->size());

    Form_Load();
    emit loaded();
}

void Form::unload()
{
    if (!m_window || m_unloading)
        return;
    m_unloading = true;
    Form_Unload();
    QMainWindow* window = m_window;
    m_window = nullptr;
    window->hide();
    window->deleteLater();
    m_unloading = false;
    emit unloaded();
}

void Form::show(int modal)
{
    load();
    QMainWindow* w = m_window;
    if (modal) {
        w->setWindowModality(Qt::ApplicationModal);
        QEventLoop loop;
        connect(this, &Form::unloaded, &loop, &QEventLoop::quit);
        w->show();
        w->raise();
        w->activateWindow();
        loop.exec();
        return;
    }
    w->show();
    w->raise();
    w->activateWindow();
}

void Form::hide()
{
    if (m_window)
        m_window->hide();
}

QMainWindow* Form::window()
{
    load();
    return m_window;
}

double Form::twipsPerPixel()
{
    return twips::perPixel(m_window ? static_cast<QWidget*>(m_window) : nullptr);
}

float Form::heightAllowance() const
{
    return m_hasMenu ? kMenuHeightAllowance : kHeightAllowance;
}

int Form::menuBarHeight(int clientWidth) const
{
    if (!m_hasMenu || !m_window)
        return 0;
    const QWidget* bar = m_window->menuWidget();
    const int h = bar->heightForWidth(clientWidth);
    return h >= 0 ? h : bar->sizeHint().height();
}

QSize Form::targetSize()
{
    const double tpp = twipsPerPixel();
    const int w = clampedPixels(m_normal.width - kWidthAllowance, tpp, 1, kMaxExtent);
    const int h = clampedPixels(m_normal.height - heightAllowance(), tpp, 0, kMaxExtent);
    return {w, std::max(1, h + menuBarHeight(w))};
}

QMargins Form::frameMargins() const
{
    QMargins& last = lastFrame(int(m_border));
    if (m_window && m_window->isVisible()) {
        if (const QWindow* native = m_window->windowHandle()) {
            if (const QMargins margins = native->frameMargins(); !margins.isNull())
                last = margins;
        }
    }
    return last;
}

namespace
{
struct Axes {
    Axis x;
    Axis y;
};

Axes axesOf(float modelWidth, float modelHeight, QSize client, QMargins frame,
            const QScreen* screen, double tpp)
{
    const QRect area = screen->geometry();
    return {{modelWidth / tpp, double(client.width() + frame.left() + frame.right()),
             double(area.left()), double(area.width())},
            {modelHeight / tpp, double(client.height() + frame.top() + frame.bottom()),
             double(area.top()), double(area.height())}};
}
} // namespace

QPoint Form::targetPosition()
{
    const double tpp = twipsPerPixel();
    const QScreen* screen = m_window->screen();
    const Axes axes =
        axesOf(m_normal.width, m_normal.height, targetSize(), frameMargins(), screen, tpp);
    return {clampedPixels(toFrame(m_normal.left / tpp, axes.x), -kMaxOffset, kMaxOffset),
            clampedPixels(toFrame(m_normal.top / tpp, axes.y), -kMaxOffset, kMaxOffset)};
}

QPointF Form::modelPosition(QPoint frame)
{
    const double tpp = twipsPerPixel();
    const QMargins margins = frameMargins();
    const QSize client = m_window->size();
    const float modelWidth = twips::fromPixels(client.width(), tpp) + kWidthAllowance;
    const float modelHeight =
        twips::fromPixels(client.height() - menuBarHeight(client.width()), tpp) + heightAllowance();
    const Axes axes = axesOf(modelWidth, modelHeight, client, margins, m_window->screen(), tpp);
    return {toModel(frame.x(), axes.x) * tpp, toModel(frame.y(), axes.y) * tpp};
}

void Form::applySize()
{
    const QSize target = targetSize();
    if (m_window->size() == target)
        return;
    remember(m_staleSizes, m_window->size());
    if (m_fixed)
        m_window->setFixedSize(target);
    else
        m_window->resize(target);
}

void Form::applyPosition()
{
    m_placedMargins = frameMargins();
    const QPoint target = targetPosition();
    if (m_window->isVisible() && m_window->frameGeometry().topLeft() == target)
        return;
    remember(m_stalePositions, m_window->frameGeometry().topLeft());
    m_window->move(target);
}

bool Form::windowIsNormal() const
{
    return !(m_window->windowState() &
             (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void Form::callResize()
{
    if (!m_window)
        return;
    m_lastResize = m_window->size();
    Form_Resize();
}

void Form::requireNormal()
{
    if (m_state != 0)
        raise(errors::kMinimizedOrMaximized,
              QStringLiteral("Can't move or size a minimized or maximized window"));
}

namespace
{
void requireFinite(float value)
{
    if (!std::isfinite(value))
        throw AppError(errors::kInvalidPropertyValue, QCoreApplication::applicationName(),
                       QStringLiteral("Invalid property value"));
}
} // namespace

float Form::width()
{
    load();
    if (m_state == 2 && !windowIsNormal())
        return twips::fromPixels(m_window->width(), twipsPerPixel()) + kWidthAllowance;
    return m_normal.width;
}

float Form::height()
{
    load();
    if (m_state == 2 && !windowIsNormal())
        return twips::fromPixels(m_window->height() - menuBarHeight(m_window->width()),
                                 twipsPerPixel()) +
               heightAllowance();
    return m_normal.height;
}

float Form::top()
{
    load();
    if (m_state == 2 && !windowIsNormal())
        return twips::fromPixels(m_window->frameGeometry().top(), twipsPerPixel());
    if (!m_placed)
        return float(modelPosition(m_window->frameGeometry().topLeft()).y());
    return m_normal.top;
}

float Form::left()
{
    load();
    if (m_state == 2 && !windowIsNormal())
        return twips::fromPixels(m_window->frameGeometry().left(), twipsPerPixel());
    if (!m_placed)
        return float(modelPosition(m_window->frameGeometry().topLeft()).x());
    return m_normal.left;
}

// Size writes: checked, kept as given, applied, then Form_Resize inside the
// write. An unchanged value raises nothing.
void Form::writeSize(float Geometry::*field, float value)
{
    load();
    requireFinite(value);
    requireNormal();
    if (value < 0)
        raise(errors::kInvalidPropertyValue, QStringLiteral("Invalid property value"));
    if (value == m_normal.*field)
        return;
    {
        Writing writing(m_writing);
        m_normal.*field = value;
        applySize();
        // The frame's place depends on the size when it is mapped.
        if (m_placed && m_window->isVisible())
            applyPosition();
    }
    callResize();
}

// Position writes. Before the first one the window system's own placement
// stands for the other coordinate.
void Form::writePosition(float Geometry::*field, float value)
{
    load();
    requireFinite(value);
    requireNormal();
    if (!m_placed) {
        m_normal.left = left();
        m_normal.top = top();
        m_placed = true;
    }
    Writing writing(m_writing);
    m_normal.*field = value;
    applyPosition();
}

void Form::setWidth(float value)
{
    writeSize(&Geometry::width, value);
}

void Form::setHeight(float value)
{
    writeSize(&Geometry::height, value);
}

void Form::setTop(float value)
{
    writePosition(&Geometry::top, value);
}

void Form::setLeft(float value)
{
    writePosition(&Geometry::left, value);
}

int Form::windowState()
{
    load();
    return m_state;
}

void Form::setWindowState(int value)
{
    load();
    const int state = static_cast<qint16>(value & 0xFFFF);
    if (state < 0 || state > 2)
        raise(errors::kInvalidPropertyValue, QStringLiteral("Invalid property value"));
    if (state == m_state)
        return;
    {
        Writing writing(m_writing);
        m_state = state;
        Qt::WindowStates qt = m_window->windowState() &
                              ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
        if (state == 1)
            qt |= Qt::WindowMinimized;
        else if (state == 2)
            qt |= Qt::WindowMaximized;
        m_window->setWindowState(qt);
        if (state == 0) {
            applySize();
            if (m_placed)
                applyPosition();
        }
    }
    callResize();
}

float Form::scaleWidth()
{
    return std::max(0.0f, width() - kWidthAllowance);
}

float Form::scaleHeight()
{
    return std::max(0.0f, height() - heightAllowance());
}

float Form::screenWidth()
{
    const QScreen* screen = m_window ? m_window->screen() : QGuiApplication::primaryScreen();
    return twips::fromPixels(screen->geometry().width(), twips::perPixel(screen));
}

float Form::screenHeight()
{
    const QScreen* screen = m_window ? m_window->screen() : QGuiApplication::primaryScreen();
    return twips::fromPixels(screen->geometry().height(), twips::perPixel(screen));
}

QString Form::caption()
{
    load();
    return m_window->windowTitle();
}

void Form::setCaption(const QString& caption)
{
    load();
    m_window->setWindowTitle(caption);
}

void Form::windowResized(QSize size)
{
    if (m_writing || m_unloading || !m_window)
        return;
    if (m_state == 0 && windowIsNormal() && !m_fixed) {
        if (size == targetSize()) {
            m_staleSizes.clear();
        } else if (consume(m_staleSizes, size)) {
            return; // the window system catching up with an earlier write
        } else {
            const double tpp = twipsPerPixel();
            m_normal.width = twips::fromPixels(size.width(), tpp) + kWidthAllowance;
            m_normal.height = twips::fromPixels(size.height() - menuBarHeight(size.width()), tpp) +
                              heightAllowance();
        }
    }
    if (size == m_lastResize)
        return;
    callResize();
}

void Form::windowMoved()
{
    if (m_writing || m_unloading || !m_window || m_state != 0 || !windowIsNormal() ||
        !m_window->isVisible())
        return;
    // The window manager has framed the window, or framed it anew: the frame
    // goes where the model's position puts a frame of that size.
    if (m_placed && frameMargins() != m_placedMargins) {
        Writing writing(m_writing);
        applyPosition();
        return;
    }
    const QPoint position = m_window->frameGeometry().topLeft();
    if (m_placed && position == targetPosition()) {
        m_stalePositions.clear();
    } else if (consume(m_stalePositions, position)) {
        return;
    } else if (m_placed) {
        const QPointF model = modelPosition(position);
        m_normal.left = float(model.x());
        m_normal.top = float(model.y());
    }
}

void Form::windowStateChanged()
{
    if (m_writing || m_unloading || !m_window)
        return;
    const Qt::WindowStates qt = m_window->windowState();
    const int state = (qt & Qt::WindowMinimized) ? 1 : (qt & Qt::WindowMaximized) ? 2 : 0;
    if (state == m_state)
        return;
    m_state = state;
    callResize();
}

void Form::windowCloseRequested()
{
    unload();
}
