// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

// The RTF control words the reader acts on. Anything else is ignored, as the
// format asks of a reader.
namespace rtfwords
{

enum class Action {
    Unknown,
    // Header and tables
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    FontTable,
    ColorTable,
    FontCharset,
    FontCodePage,
    FontFamilyRoman,
    Red,
    Green,
    Blue,
    // Destinations whose content is not text: skipped whole
    SkipDestination,
    // Unicode and binary data
    UnicodeSkip,
    Unicode,
    Binary,
    // Breaks and special characters
    Paragraph,
    LineBreak,
    Tab,
    Character,
    // Paragraph formatting
    ParagraphDefaults,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    // Character formatting
    Plain,
    Font,
    AssociatedFont,
    AssociatedFontSize,
    AssociatedBold,
    AssociatedItalic,
    LowAnsiRun,
    HighAnsiRun,
    DoubleByteRun,
    DirectionContext,
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Superscript,
    Subscript,
    NoSuperSub,
    Foreground,
    Background,
};

struct Word {
    Action action = Action::Unknown;
    char16_t character = 0; // Action::Character: the character it stands for
};

Word lookup(QByteArrayView name);

} // namespace rtfwords
