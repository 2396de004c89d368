// SPDX-License-Identifier: MIT
#pragma once

// False when this machine has no GPU device node (no /dev/dri card or render
// node, no NVIDIA device), or LIBGL_ALWAYS_SOFTWARE asks for software: then
// only the processor can rasterize or decode, and no driver needs loading to
// find that out. True elsewhere, and on systems without such nodes to look at.
bool mayHaveGpu();
