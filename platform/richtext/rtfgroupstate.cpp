// SPDX-License-Identifier: MIT
#include "rtfgroupstate.h"

#include "rtftables.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextCharFormat>

using rtfwords::Action;

bool RtfGroupState::apply(Action action, bool hasParameter, int parameter)
{
    const bool on = !hasParameter || parameter != 0; // \b, \b1 on; \b0 off
    switch (action) {
    case Action::ParagraphDefaults:
    case Action::AlignLeft:
        alignment = Qt::AlignLeft;
        break;
    case Action::AlignCenter:
        alignment = Qt::AlignHCenter;
        break;
    case Action::AlignRight:
        alignment = Qt::AlignRight;
        break;
    case Action::AlignJustify:
        alignment = Qt::AlignJustify;
        break;
    case Action::UnicodeSkip:
        unicodeSkip = qBound(0, parameter, 255);
        break;
    case Action::Plain:
        chars = Chars{};
        break;
    case Action::Font:
        if (parameter >= 0) {
            chars.font = parameter;
            if (chars.runKind == RunKind::DoubleByte)
                chars.doubleByteFont = parameter;
        }
        break;
    case Action::AssociatedFont:
        if (chars.afIsDoubleByte && parameter >= 0)
            chars.doubleByteFont = parameter;
        break;
    case Action::LowAnsiRun:
    case Action::HighAnsiRun:
        chars.runKind = action == Action::LowAnsiRun ? RunKind::LowAnsi : RunKind::HighAnsi;
        chars.afIsDoubleByte = false;
        break;
    case Action::DoubleByteRun:
        chars.runKind = RunKind::DoubleByte;
        chars.afIsDoubleByte = true;
        break;
    case Action::DirectionContext:
        chars.afIsDoubleByte = false;
        break;
    case Action::FontSize:
        if (parameter > 0)
            chars.halfPoints = qMin(parameter, 3200);
        break;
    case Action::Bold:
        chars.bold = on;
        break;
    case Action::Italic:
        chars.italic = on;
        break;
    case Action::Underline:
        chars.underline = on;
        break;
    case Action::UnderlineNone:
        chars.underline = false;
        break;
    case Action::Strike:
        chars.strike = on;
        break;
    case Action::Hidden:
        chars.hidden = on;
        break;
    case Action::Superscript:
        chars.vertical = on ? 1 : 0;
        break;
    case Action::Subscript:
        chars.vertical = on ? -1 : 0;
        break;
    case Action::NoSuperSub:
        chars.vertical = 0;
        break;
    case Action::Foreground:
        chars.foreground = parameter;
        break;
    case Action::Background:
        chars.background = parameter;
        break;
    default:
        return false;
    }
    return true;
}

QTextCharFormat RtfGroupState::charFormat(const RtfTables& tables,
                                          const QStringList& fallbackFamilies) const
{
    QTextCharFormat format;
    format.setFontPointSize(chars.halfPoints / 2.0);
    format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chars.italic);
    format.setFontUnderline(chars.underline);
    format.setFontStrikeOut(chars.strike);
    if (const RtfTables::Font* font = tables.font(chars.font); font && !font->name.isEmpty())
        format.setFontFamilies(QStringList{font->name} + fallbackFamilies);
    if (const QColor color = tables.color(chars.foreground); color.isValid())
        format.setForeground(color);
    // \highlight0 and \cb0 mean no background, whatever the first entry holds.
    if (const QColor color = tables.color(chars.background);
        chars.background > 0 && color.isValid())
        format.setBackground(color);
    if (chars.vertical != 0)
        format.setVerticalAlignment(chars.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
    return format;
}
