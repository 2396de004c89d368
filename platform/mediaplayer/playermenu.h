// SPDX-License-Identifier: MIT
#pragma once

class MediaPlayer;
class QMenu;

// Fills `menu` with the player's own context menu for the state it is in now:
// 再生/一時停止, 停止, 前へ/次へ (a playlist's entries), 全画面表示, the file's
// audio and subtitle tracks, 音量 and プロパティ…. The items act on `player`
// when chosen; the menu is built afresh for each showing.
void fillPlayerMenu(QMenu& menu, MediaPlayer& player);
