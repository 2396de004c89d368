// SPDX-License-Identifier: MIT
#include "playerpalette.h"

QPalette playerPalette(QPalette palette)
{
    const auto set = [&palette](QPalette::ColorRole role, QColor color, QColor disabled = {}) {
        palette.setColor(QPalette::Active, role, color);
        palette.setColor(QPalette::Inactive, role, color);
        palette.setColor(QPalette::Disabled, role, disabled.isValid() ? disabled : color);
    };
    const QColor dimText(0x6b, 0x72, 0x7d);
    set(QPalette::Window, QColor(0x20, 0x24, 0x2b));
    set(QPalette::WindowText, QColor(0xc9, 0xce, 0xd6), dimText);
    set(QPalette::Base, QColor(0x19, 0x1c, 0x22));
    set(QPalette::AlternateBase, QColor(0x14, 0x16, 0x1b));
    set(QPalette::Text, QColor(0xf2, 0xf4, 0xf7), dimText);
    set(QPalette::PlaceholderText, QColor(0x9a, 0xa2, 0xae), dimText);
    set(QPalette::Button, QColor(0x2c, 0x31, 0x3a));
    set(QPalette::ButtonText, QColor(0xe6, 0xe9, 0xee), dimText);
    set(QPalette::Light, QColor(0x4a, 0x51, 0x5d));
    set(QPalette::Midlight, QColor(0x3a, 0x40, 0x4b));
    set(QPalette::Mid, QColor(0x2e, 0x33, 0x3d));
    set(QPalette::Dark, QColor(0x10, 0x12, 0x16));
    set(QPalette::Shadow, QColor(0, 0, 0));
    set(QPalette::Highlight, QColor(0x4c, 0x8d, 0xf6), QColor(0x3a, 0x40, 0x4b));
    set(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    return palette;
}
