// SPDX-License-Identifier: MIT
#include "aboutlayout.h"

#include "productinfo.h"
#include "uifont.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace aboutlayout
{

std::vector<ControlDesign> controls()
{
    using K = ControlKind;
    // The icon comes first and is raised above the labels when built: its
    // effect panel covers them.
    return {
        {u"picIcon"_s, K::Picture, {}, {120, 240, 540, 540}, 1},
        {u"lblTitle"_s, K::Label, u"Mero Sonx"_s, {720, 120, 1845, 480}, 4, Look::Title, true},
        {u"lblVersion"_s, K::Label, versionText(), {720, 600, 1245, 225}, 5, Look::Plain, true},
        {u"Label1"_s,
         K::Label,
         u"作者　　："_s + productinfo::author(),
         {720, 840, 1965, 225},
         6,
         Look::Plain,
         true},
        {u"Label2"_s,
         K::Label,
         u"ﾎｰﾑﾍﾟｰｼﾞ："_s + productinfo::homePage(),
         {720, 1080, 4005, 225},
         7,
         Look::Link,
         true},
        {u"Label3"_s,
         K::Label,
         u"ﾒｰﾙｱﾄﾞﾚｽ："_s + productinfo::mailAddress(),
         {720, 1320, 2445, 225},
         8,
         Look::Link,
         true},
        // Form_Load replaces the design text.
        {u"lblDescription"_s, K::Label, u"ｱﾌﾟﾘｹｰｼｮﾝの説明："_s, {720, 1560, 4125, 1530}, 3},
        {u"cmdOK"_s, K::Button, u"OK"_s, {120, 3240, 2580, 345}, 0, Look::Plain, false, true},
        {u"cmdSysInfo"_s, K::Button, u"ｼｽﾃﾑ情報(&S)..."_s, {2760, 3240, 2820, 345}, 2},
    };
}

std::vector<LineDesign> lines()
{
    // An etched rule: a grey line with a white one under it.
    return {
        {u"Line1"_s, 1, QColor(128, 128, 128), QLine(90, 3045, 5654, 3045), 1},
        {u"Line1"_s, 0, QColor(255, 255, 255), QLine(105, 3060, 5654, 3060), 2},
    };
}

QFont fontFor(Look look)
{
    switch (look) {
    case Look::Title: {
        QFont font = japaneseFont(21.75);
        font.setBold(true);
        return font;
    }
    case Look::Link: {
        QFont font = japaneseFont(9);
        font.setUnderline(true);
        return font;
    }
    case Look::Plain:
        break;
    }
    return japaneseFont(9);
}

QColor colorFor(Look look)
{
    return look == Look::Link ? QColor(0, 0, 255) : QColor(0, 0, 0);
}

QString versionText()
{
    const QString digits =
        QStringLiteral("%1.%2").arg(MERO_VERSION_MAJOR).arg(MERO_VERSION_MINOR, 2, 10, QChar(u'0'));
    QString wide;
    for (const QChar c : digits)
        wide += c.isDigit() ? QChar(0xFF10 + c.digitValue()) : QChar(0xFF0E); // ０-９ and ．
    return u"ﾊﾞｰｼﾞｮﾝ："_s + wide;
}

QString descriptionText()
{
    const QStringList lines = {
        u"ｱﾌﾟﾘｹｰｼｮﾝの説明："_s,
        u"このソフトはプレイヤーです。"_s,
        u"MSさんのWindowsMediaPlayerを使用させていただいております。"_s,
        u"名前の由来：メロディー（Melody）と"_s,
        u"サウンズ（Sounds）を合わせて"_s,
        u"「Mero Sonx」と名付けました。"_s,
    };
    QString text;
    for (const QString& line : lines)
        text += line + u'\r';
    return text;
}

QString patternText()
{
    const QString copy = u"●■★▲●■★▲●■★▲"_s;
    QStringList copies;
    for (int i = 0; i < 11; ++i)
        copies << copy;
    return copies.join(u'\r');
}

} // namespace aboutlayout
