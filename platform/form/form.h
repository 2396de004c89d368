// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <deque>

class QScreen;
class FormWindow;

// A top-level window whose geometry behaves as the handlers expect of a form:
//
// - Sizes and positions are twips (float). Width and Height are the outer
//   size: the client area plus a fixed allowance of 100 twips across and 400
//   down (700 for a form with a menu bar, which lies inside that allowance).
//   Top and Left are the frame's position on the desktop. The frame the window
//   manager really draws is seldom as wide as that allowance: positions map
//   the room the model's outer size leaves on the screen onto the room the
//   real frame leaves, so a window put at 0, at the centre or at the screen's
//   size minus its own shows its visible frame flush there.
// - The values written are kept as given: a read right after a write returns
//   it exactly, whatever pixel it was rounded to. Moves and resizes made by the
//   user (or the window manager) replace them.
// - A write that changes the size or the window state calls Form_Resize inside
//   the write. A resize made by the user calls it once; the window system's
//   echoes of our own writes never call it again.
// - Window state 0 normal, 1 minimized, 2 maximized. Size and position writes
//   while not normal raise error 384; impossible values raise error 380. Errors
//   are AppError with the program's name as their source.
//
// The form object lives as long as its owner; its window is created on the
// first access (running Form_Load) and destroyed by unload(), after which the
// next access creates it afresh from the design. Controls are children of the
// window: subclasses hold them in QPointer members.
class Form : public QObject
{
    Q_OBJECT
public:
    enum class Border { Sizable, FixedSingle, SizableToolWindow };

    explicit Form(QObject* parent = nullptr);
    ~Form() override;

    void load();
    bool isLoaded() const { return m_window != nullptr; }
    // Runs Form_Unload, then destroys the window and its controls.
    void unload();
    // Modeless (0) returns at once; modal (1) returns once the form is unloaded.
    void show(int modal = 0);
    void hide();

    QMainWindow* window();
    // The window if loaded, else nullptr; never loads.
    QMainWindow* loadedWindow() const { return m_window; }

    float width();
    float height();
    float top();
    float left();
    void setWidth(float twips);
    void setHeight(float twips);
    void setTop(float twips);
    void setLeft(float twips);
    int windowState();
    void setWindowState(int state);
    // The client area under the menu bar, twips.
    float scaleWidth();
    float scaleHeight();
    // The whole screen that holds the window, twips.
    float screenWidth();
    float screenHeight();
    QString caption();
    void setCaption(const QString& caption);

    double twipsPerPixel();

signals:
    void loaded();
    void unloaded();

protected:
    struct Design {
        QString caption;
        float clientWidth = 0; // twips
        float clientHeight = 0;
        Border border = Border::Sizable;
        bool centered = false; // else the window system chooses the position
        bool minButton = true;
        bool maxButton = true;
        bool taskbarButton = true;
        QIcon icon;
    };

    // The design: called once per load, before buildWindow.
    virtual Design design() const = 0;
    // Creates the controls and the menu bar of a freshly created window.
    virtual void buildWindow(QMainWindow& window) = 0;

    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Unload() {}

    // Raised by this form's own operations: the program's name as source.
    [[noreturn]] static void raise(int number, const QString& description);

private:
    friend class FormWindow;
    struct Geometry {
        float left = 0;
        float top = 0;
        float width = 0;
        float height = 0;
    };

    float heightAllowance() const;
    int menuBarHeight(int clientWidth) const;
    QSize targetSize();
    QPoint targetPosition();
    // The window manager's frame around the client, pixels: as it reports it
    // for this window once shown, else as it drew the last such window.
    QMargins frameMargins() const;
    // The model's position (twips) of a frame at `frame` (pixels).
    QPointF modelPosition(QPoint frame);
    void applySize();
    void applyPosition();
    bool windowIsNormal() const;
    void callResize();
    void requireNormal();
    void writeSize(float Geometry::*field, float value);
    void writePosition(float Geometry::*field, float value);

    // From the window.
    void windowResized(QSize size);
    void windowMoved();
    void windowStateChanged();
    void windowCloseRequested();

    QPointer<QMainWindow> m_window; // a FormWindow
    Geometry m_normal;              // outer geometry of the normal window, twips
    int m_state = 0;
    bool m_hasMenu = false;
    int m_writing = 0; // > 0 inside our own geometry or state writes
    bool m_unloading = false;
    bool m_placed = false; // a position was set; else the window system's placement counts
    bool m_fixed = false;  // fixed border: the user cannot resize
    Border m_border = Border::Sizable;
    QMargins m_placedMargins;            // the frame the last position write counted with
    QSize m_lastResize;                  // the window size Form_Resize last answered to
    std::deque<QSize> m_staleSizes;      // sizes applied and since superseded
    std::deque<QPoint> m_stalePositions; // likewise, frame positions
};
