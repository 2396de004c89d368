// SPDX-License-Identifier: MIT
#pragma once

// How common a kanji is in everyday Japanese: one taught in primary school,
// one of the other kanji of general use, or a rarer one (or no kanji).
enum class KanjiUse { School, GeneralUse, Other };

KanjiUse kanjiUse(char32_t c);
