// SPDX-License-Identifier: MIT
#include "codepages.h"

#include <array>

namespace codepages
{

namespace
{

struct Name {
    int codePage;
    const char* name;
};

// Names checked against Qt's ICU converters on the target system. CP932 goes to
// ICU's Shift_JIS, which decodes the Windows extensions (① ㈱) as CP932 does.
constexpr std::array kNames{
    Name{437, "IBM437"},
    Name{737, "ibm-737"},
    Name{775, "ibm-775"},
    Name{850, "IBM850"},
    Name{852, "ibm-852"},
    Name{855, "ibm-855"},
    Name{857, "ibm-857"},
    Name{860, "ibm-860"},
    Name{861, "ibm-861"},
    Name{862, "ibm-862"},
    Name{863, "ibm-863"},
    Name{864, "ibm-864"},
    Name{865, "ibm-865"},
    Name{866, "ibm-866"},
    Name{869, "ibm-869"},
    Name{874, "windows-874"},
    Name{932, "Shift_JIS"},
    Name{936, "GBK"},
    Name{949, "windows-949"},
    Name{950, "Big5"},
    Name{1250, "windows-1250"},
    Name{1251, "windows-1251"},
    Name{1252, "windows-1252"},
    Name{1253, "windows-1253"},
    Name{1254, "windows-1254"},
    Name{1255, "windows-1255"},
    Name{1256, "windows-1256"},
    Name{1257, "windows-1257"},
    Name{1258, "windows-1258"},
    Name{1361, "windows-949"}, // no Johab converter: nearest
    Name{10000, "macintosh"},
    Name{10001, "Shift_JIS"},
    Name{10006, "x-mac-greek"},
    Name{10007, "x-mac-cyrillic"},
    Name{10029, "x-mac-centraleurroman"},
    Name{10081, "x-mac-turkish"},
    Name{20127, "US-ASCII"},
    Name{20866, "KOI8-R"},
    Name{20932, "EUC-JP"},
    Name{21866, "KOI8-U"},
    Name{28591, "ISO-8859-1"},
    Name{28592, "ISO-8859-2"},
    Name{28593, "ISO-8859-3"},
    Name{28594, "ISO-8859-4"},
    Name{28595, "ISO-8859-5"},
    Name{28596, "ISO-8859-6"},
    Name{28597, "ISO-8859-7"},
    Name{28598, "ISO-8859-8"},
    Name{28599, "ISO-8859-9"},
    Name{28605, "ISO-8859-15"},
    Name{50220, "ISO-2022-JP"},
    Name{50221, "ISO-2022-JP"},
    Name{50222, "ISO-2022-JP"},
    Name{51932, "EUC-JP"},
    Name{54936, "GB18030"},
    Name{65001, "UTF-8"},
};

struct Charset {
    int charset;
    int codePage; // 0: the document's code page
};

constexpr std::array kCharsets{
    Charset{0, 1252},   Charset{1, 0},      Charset{2, 1252}, // Symbol: nearest
    Charset{77, 10000}, Charset{78, 10001}, Charset{79, 949},   Charset{80, 936},
    Charset{81, 950},   Charset{83, 1255},  Charset{84, 1256},  Charset{85, 10006},
    Charset{86, 10081}, Charset{87, 874},   Charset{88, 10029}, Charset{89, 10007},
    Charset{128, 932},  Charset{129, 949},  Charset{130, 1361}, Charset{134, 936},
    Charset{136, 950},  Charset{161, 1253}, Charset{162, 1254}, Charset{163, 1258},
    Charset{177, 1255}, Charset{178, 1256}, Charset{179, 1256}, Charset{180, 1256},
    Charset{181, 1255}, Charset{186, 1257}, Charset{204, 1251}, Charset{222, 874},
    Charset{238, 1250}, Charset{254, 437},  Charset{255, 850},
};

} // namespace

QByteArray decoderName(int codePage)
{
    for (const Name& entry : kNames) {
        if (entry.codePage == codePage)
            return QByteArray(entry.name);
    }
    return {};
}

int forCharset(int charset)
{
    for (const Charset& entry : kCharsets) {
        if (entry.charset == charset)
            return entry.codePage;
    }
    return 0;
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           codePage == 1361 || codePage == 10001;
}

bool isLeadByte(int codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
    case 10001:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
    case 1361:
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return false;
    }
}

} // namespace codepages
