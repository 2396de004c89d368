// SPDX-License-Identifier: MIT
#include "rtftables.h"

#include "codepages.h"

#include <utility>

namespace
{

constexpr qsizetype kMaxFontNameBytes = 256;

} // namespace

void RtfTables::startFont(int index)
{
    commitFont();
    m_fontOpen = true;
    m_fontIndex = index;
    m_font = Font{};
    m_fontName.clear();
}

void RtfTables::appendToFontName(char byte)
{
    if (m_fontOpen && m_fontName.size() < kMaxFontNameBytes)
        m_fontName += byte;
}

void RtfTables::commitFont()
{
    if (!m_fontOpen)
        return;
    m_fontOpen = false;
    if (m_fonts.size() >= kMaxEntries && !m_fonts.contains(m_fontIndex))
        return;
    // The name is in the code page of the entry itself.
    m_fonts.insert(m_fontIndex, m_font);
    QString name = decode(std::exchange(m_fontName, {}), codePageOf(m_fontIndex));
    name.removeIf([](QChar c) { return c.unicode() < 0x20; });
    m_fonts[m_fontIndex].name = name.trimmed();
    ++m_revision;
}

void RtfTables::setColorComponent(int component, int value)
{
    if (component < 0 || component > 2)
        return;
    m_rgb[component] = qBound(0, value, 255);
    m_colorGiven = true;
}

void RtfTables::commitColor()
{
    if (m_colors.size() < kMaxEntries) {
        m_colors.append(m_colorGiven ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
        ++m_revision;
    }
    m_rgb[0] = m_rgb[1] = m_rgb[2] = 0;
    m_colorGiven = false;
}

QColor RtfTables::color(int index) const
{
    return index >= 0 && index < m_colors.size() ? m_colors[index] : QColor();
}

void RtfTables::setDocumentCodePage(int codePage)
{
    if (!codepages::decoderName(codePage).isEmpty())
        m_documentCodePage = codePage;
}

const RtfTables::Font* RtfTables::font(int index) const
{
    const auto found = m_fonts.constFind(index < 0 ? m_defaultFont : index);
    return found == m_fonts.constEnd() ? nullptr : &found.value();
}

// A charset decides; \cpg counts only without one (as Word reads it).
int RtfTables::codePageOf(int fontIndex) const
{
    if (const Font* entry = font(fontIndex)) {
        if (entry->charset >= 0) {
            if (const int codePage = codepages::forCharset(entry->charset); codePage > 0)
                return codePage;
        }
        if (entry->codePage > 0 && !codepages::decoderName(entry->codePage).isEmpty())
            return entry->codePage;
    }
    return m_documentCodePage;
}

QString RtfTables::decode(QByteArray bytes, int codePage)
{
    auto found = m_decoders.find(codePage);
    if (found == m_decoders.end()) {
        QStringDecoder decoder(codepages::decoderName(codePage).constData());
        if (!decoder.isValid())
            decoder = QStringDecoder("windows-1252");
        found = m_decoders.emplace(codePage, std::move(decoder)).first;
    }
    QStringDecoder& decoder = found->second;
    decoder.resetState();
    // A NUL after the bytes makes the decoder give out a lead byte left alone
    // at the end instead of keeping it for a next call.
    bytes += '\0';
    QString text = decoder.decode(bytes);
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}
