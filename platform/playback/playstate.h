// SPDX-License-Identifier: MIT
#pragma once

// What the player is doing, as the user, the control bar and the desktop's
// media controls see it. Stopped covers "no file", "file could not be played"
// and "stopped at the start with the file still loaded" alike.
enum class PlayState { Stopped, Playing, Paused };
