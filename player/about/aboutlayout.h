// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QFont>
#include <QLine>
#include <QRect>
#include <QString>
#include <vector>

// The About box's design: its controls and lines with their places in twips,
// from the top-left corner of the inner area, and their texts and looks.
namespace aboutlayout
{

inline constexpr float kClientWidth = 5730;  // twips
inline constexpr float kClientHeight = 3750; // twips
// The form's drawing scale: twips per unit, across and down. Positions and
// sizes that the handlers give at run time are in these units.
inline constexpr float kTwipsPerUnitX = 1.064904f;
inline constexpr float kTwipsPerUnitY = 1.448818f;

enum class ControlKind { Picture, Label, Button };
enum class Look {
    Plain, // the form's font, black
    Title, // large bold
    Link,  // blue, underlined, pointing hand
};

struct ControlDesign {
    QString name;
    ControlKind kind;
    QString caption;
    QRect twips; // left, top, width, height
    int tabIndex = 0;
    Look look = Look::Plain;
    // A one-line label widened to its caption where the font needs more room
    // than the design gives; its left, top and height stay.
    bool fitWidth = false;
    bool defaultAndCancel = false; // Enter and Escape press it
};

struct LineDesign {
    QString name;
    int index = 0;
    QColor color;
    QLine twips;       // horizontal: from x1 to x2 at y1
    int penPixels = 1; // drawn from y1 downwards
};

// In creation order, which is also the stacking order (later above earlier).
std::vector<ControlDesign> controls();
// Drawn in order; the later one lies above where they meet.
std::vector<LineDesign> lines();

QFont fontFor(Look look);
QColor colorFor(Look look);

// "ﾊﾞｰｼﾞｮﾝ：" and the program version in full-width digits, minor in two digits.
QString versionText();
// Six lines, each ended by a carriage return alone.
QString descriptionText();
// The icon effect's pattern: eleven copies of "●■★▲" three times over, a
// carriage return between each two.
QString patternText();

} // namespace aboutlayout
