// SPDX-License-Identifier: MIT
#include "rtfgroupstate.h"

#include "rtftables.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>
#include <QTextCharFormat>

using rtfwords::Action;

RtfGroupState::Associated* RtfGroupState::associatedTarget()
{
    switch (chars.associatedWith) {
    case RunKind::LowAnsi:
        return &chars.associated[kLowAnsi];
    case RunKind::HighAnsi:
        return &chars.associated[kHighAnsi];
    case RunKind::DoubleByte:
        return &chars.associated[kDoubleByte];
    case RunKind::Any:
        break;
    }
    return nullptr;
}

RtfGroupState::CharClass RtfGroupState::classOf(char32_t c)
{
    if (c < 0x80)
        return kLowAnsi;
    // Hangul jamo, CJK radicals to Yi (kana, kanji, CJK punctuation),
    // Hangul, compatibility ideographs and forms, full- and half-width
    // forms, the supplementary ideographic planes.
    const bool eastAsian = (c >= 0x1100 && c < 0x1200) || (c >= 0x2E80 && c < 0xA4D0) ||
                           (c >= 0xAC00 && c < 0xD7B0) || (c >= 0xF900 && c < 0xFB00) ||
                           (c >= 0xFE30 && c < 0xFE50) || (c >= 0xFF00 && c < 0xFFF0) ||
                           (c >= 0x20000 && c < 0x40000);
    return eastAsian ? kDoubleByte : kHighAnsi;
}

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
                chars.associated[kDoubleByte].font = parameter;
        }
        break;
    case Action::AssociatedFont:
        if (Associated* target = associatedTarget(); target && parameter >= 0)
            target->font = parameter;
        break;
    case Action::AssociatedFontSize:
        if (Associated* target = associatedTarget(); target && parameter > 0)
            target->halfPoints = qMin(parameter, 3200);
        break;
    case Action::AssociatedBold:
        if (Associated* target = associatedTarget())
            target->bold = on ? 1 : 0;
        break;
    case Action::AssociatedItalic:
        if (Associated* target = associatedTarget())
            target->italic = on ? 1 : 0;
        break;
    case Action::LowAnsiRun:
    case Action::HighAnsiRun:
    case Action::DoubleByteRun:
        chars.runKind = action == Action::LowAnsiRun    ? RunKind::LowAnsi
                        : action == Action::HighAnsiRun ? RunKind::HighAnsi
                                                        : RunKind::DoubleByte;
        chars.associatedWith = chars.runKind;
        break;
    case Action::DirectionContext:
        chars.associatedWith = RunKind::Any;
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

namespace
{

// The installed ones among `faces`, in their order (all of them where no
// font database can be asked).
QStringList installed(const QStringList& faces)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return faces;
    QStringList found;
    for (const QString& face : faces) {
        if (QFontDatabase::hasFamily(face))
            found.append(face);
    }
    return found;
}

// Installed faces of a named face's kind, so that the text keeps a mincho or
// gothic look where the face itself is missing. Qt uses the first family it
// has, and takes glyphs it lacks from the later ones.
QStringList facesLike(const RtfTables::Font& font)
{
    static const QStringList mincho =
        installed({QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAMincho"),
                   QStringLiteral("IPAPMincho"), QStringLiteral("IPAexMincho"),
                   QStringLiteral("TakaoMincho")});
    static const QStringList gothic =
        installed({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                   QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                   QStringLiteral("TakaoPGothic")});
    const QString& name = font.name;
    const bool serif = font.roman || name.contains(QStringLiteral("明朝")) ||
                       name.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive) ||
                       name.contains(QStringLiteral("Serif"), Qt::CaseInsensitive);
    return serif ? mincho : gothic;
}

} // namespace

QTextCharFormat RtfGroupState::charFormat(const RtfTables& tables,
                                          const QStringList& fallbackFamilies,
                                          CharClass charClass) const
{
    const Associated& a = chars.associated[qBound(0, int(charClass), kCharClasses - 1)];
    QTextCharFormat format;
    format.setFontPointSize((a.halfPoints > 0 ? a.halfPoints : chars.halfPoints) / 2.0);
    format.setFontWeight((a.bold >= 0 ? a.bold == 1 : chars.bold) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(a.italic >= 0 ? a.italic == 1 : chars.italic);
    format.setFontUnderline(chars.underline);
    format.setFontStrikeOut(chars.strike);
    const int fontIndex = a.font >= 0 ? a.font : chars.font;
    if (const RtfTables::Font* font = tables.font(fontIndex); font && !font->name.isEmpty()) {
        QStringList families{font->name};
        for (const QString& face : facesLike(*font) + fallbackFamilies) {
            if (!families.contains(face))
                families.append(face);
        }
        format.setFontFamilies(families);
    }
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
