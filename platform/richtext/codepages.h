// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// Windows code pages as RTF names them (\ansicpg, \cpg, \fcharset), mapped to
// the names QStringDecoder knows.
namespace codepages
{

inline constexpr int kWesternEurope = 1252;
inline constexpr int kJapanese = 932;

// QStringDecoder name for a Windows code page number; empty when unknown.
QByteArray decoderName(int codePage);

// Code page of a font charset (\fcharset, the Windows LOGFONT charset); 0 when
// the charset stands for the document's own code page or is unknown.
int forCharset(int charset);

// Code pages whose characters are one or two bytes (932, 936, 949, 950, 1361).
bool isDoubleByte(int codePage);
// Whether `byte` begins a two-byte character in such a code page.
bool isLeadByte(int codePage, unsigned char byte);

} // namespace codepages
