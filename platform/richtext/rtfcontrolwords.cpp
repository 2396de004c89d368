// SPDX-License-Identifier: MIT
#include "rtfcontrolwords.h"

#include <string_view>
#include <unordered_map>

namespace rtfwords
{

namespace
{

using Table = std::unordered_map<std::string_view, Word>;

Table makeTable()
{
    Table table{
        {"ansi", {Action::Ansi}},
        {"mac", {Action::Mac}},
        {"pc", {Action::Pc}},
        {"pca", {Action::Pca}},
        {"ansicpg", {Action::AnsiCodePage}},
        {"deff", {Action::DefaultFont}},
        {"fonttbl", {Action::FontTable}},
        {"colortbl", {Action::ColorTable}},
        {"fcharset", {Action::FontCharset}},
        {"cpg", {Action::FontCodePage}},
        {"froman", {Action::FontFamilyRoman}},
        {"red", {Action::Red}},
        {"green", {Action::Green}},
        {"blue", {Action::Blue}},
        {"uc", {Action::UnicodeSkip}},
        {"u", {Action::Unicode}},
        {"bin", {Action::Binary}},
        {"par", {Action::Paragraph}},
        {"sect", {Action::Paragraph}},
        {"page", {Action::Paragraph}},
        {"column", {Action::Paragraph}},
        {"row", {Action::Paragraph}},
        {"nestrow", {Action::Paragraph}},
        {"line", {Action::LineBreak}},
        {"tab", {Action::Tab}},
        {"cell", {Action::Tab}},
        {"nestcell", {Action::Tab}},
        {"emdash", {Action::Character, u'\u2014'}},
        {"endash", {Action::Character, u'\u2013'}},
        {"bullet", {Action::Character, u'\u2022'}},
        {"lquote", {Action::Character, u'\u2018'}},
        {"rquote", {Action::Character, u'\u2019'}},
        {"ldblquote", {Action::Character, u'\u201C'}},
        {"rdblquote", {Action::Character, u'\u201D'}},
        {"emspace", {Action::Character, u'\u2003'}},
        {"enspace", {Action::Character, u'\u2002'}},
        {"qmspace", {Action::Character, u'\u2005'}},
        {"zwj", {Action::Character, u'\u200D'}},
        {"zwnj", {Action::Character, u'\u200C'}},
        {"zwbo", {Action::Character, u'\u200B'}},
        {"ltrmark", {Action::Character, u'\u200E'}},
        {"rtlmark", {Action::Character, u'\u200F'}},
        {"pard", {Action::ParagraphDefaults}},
        {"ql", {Action::AlignLeft}},
        {"qc", {Action::AlignCenter}},
        {"qr", {Action::AlignRight}},
        {"qj", {Action::AlignJustify}},
        {"qd", {Action::AlignJustify}},
        {"plain", {Action::Plain}},
        {"f", {Action::Font}},
        {"af", {Action::AssociatedFont}},
        {"afs", {Action::AssociatedFontSize}},
        {"ab", {Action::AssociatedBold}},
        {"ai", {Action::AssociatedItalic}},
        {"loch", {Action::LowAnsiRun}},
        {"hich", {Action::HighAnsiRun}},
        {"dbch", {Action::DoubleByteRun}},
        {"rtlch", {Action::DirectionContext}},
        {"ltrch", {Action::DirectionContext}},
        {"fs", {Action::FontSize}},
        {"b", {Action::Bold}},
        {"i", {Action::Italic}},
        {"ulnone", {Action::UnderlineNone}},
        {"strike", {Action::Strike}},
        {"striked", {Action::Strike}},
        {"v", {Action::Hidden}},
        {"super", {Action::Superscript}},
        {"up", {Action::Superscript}},
        {"sub", {Action::Subscript}},
        {"dn", {Action::Subscript}},
        {"nosupersub", {Action::NoSuperSub}},
        {"cf", {Action::Foreground}},
        {"highlight", {Action::Background}},
        {"cb", {Action::Background}},
        {"chcbpat", {Action::Background}},
    };
    for (std::string_view underline :
         {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
          "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
          "ulwave"})
        table.emplace(underline, Word{Action::Underline});

    // Destinations whose content is no part of the visible text.
    for (std::string_view skipped : {"stylesheet",
                                     "info",
                                     "pict",
                                     "object",
                                     "objdata",
                                     "header",
                                     "headerl",
                                     "headerr",
                                     "headerf",
                                     "footer",
                                     "footerl",
                                     "footerr",
                                     "footerf",
                                     "footnote",
                                     "fldinst",
                                     "themedata",
                                     "colorschememapping",
                                     "datastore",
                                     "listtable",
                                     "listoverridetable",
                                     "rsidtbl",
                                     "revtbl",
                                     "latentstyles",
                                     "xmlnstbl",
                                     "mmathPr",
                                     "generator",
                                     "filetbl",
                                     "pgdsctbl",
                                     "nonshppict",
                                     "shpinst",
                                     "shprslt",
                                     "bkmkstart",
                                     "bkmkend",
                                     "xe",
                                     "tc",
                                     "txe",
                                     "template",
                                     "userprops",
                                     "docvar",
                                     "annotation",
                                     "atnid",
                                     "atnauthor",
                                     "atndate",
                                     "atnref",
                                     "atnicn",
                                     "atrfstart",
                                     "atrfend",
                                     "ftnsep",
                                     "ftnsepc",
                                     "ftncn",
                                     "aftnsep",
                                     "aftnsepc",
                                     "aftncn",
                                     "do",
                                     "private",
                                     "pn",
                                     "pnseclvl",
                                     "panose",
                                     "falt",
                                     "fname",
                                     "leveltext",
                                     "levelnumbers",
                                     "protusertbl",
                                     "wgrffmtfilter",
                                     "fchars",
                                     "lchars",
                                     "passwordhash",
                                     "formfield",
                                     "datafield",
                                     "blipuid",
                                     "macro"})
        table.emplace(skipped, Word{Action::SkipDestination});
    return table;
}

} // namespace

Word lookup(QByteArrayView name)
{
    static const Table table = makeTable();
    const auto found = table.find(std::string_view(name.data(), size_t(name.size())));
    return found == table.end() ? Word{} : found->second;
}

} // namespace rtfwords
