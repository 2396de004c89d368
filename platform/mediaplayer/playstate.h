// SPDX-License-Identifier: MIT
#pragma once

// What the player control is doing, as the program and the control bar see it.
// Stopped covers "no file", "file could not be played" and "stopped at the
// start with the file still loaded" alike.
enum class PlayState { Stopped, Playing, Paused };
