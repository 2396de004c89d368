// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// libmpv's audio outputs in the order they are tried, ending with the null
// output so that playback runs in real time without any device. PipeWire comes
// first where its socket is there to connect to (a PipeWire desktop, also
// socket-activated); elsewhere PulseAudio and ALSA come first: an attempt at
// PipeWire with no server held every file's first sound and picture back by
// 10-30 ms here, and its library complains on stderr where it is not set up.
// PipeWire stays in the list for setups its socket was not seen in.
QByteArray audioOutputOrder();
