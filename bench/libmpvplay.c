// SPDX-License-Identifier: MIT
// Plays one file through libmpv and nothing else: no window of its own, no
// configuration, no scripts, no key bindings, libmpv's own audio output order.
// A video goes to libmpv's plain X11 output at the given size. This is what
// any player built on Debian's libmpv costs at least, for the benchmark to
// show beside the players.
//   libmpvplay FILE [WIDTHxHEIGHT]
// Exits 0 at the end of the file, 1 if it could not be played.
#include <locale.h>
#include <mpv/client.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: libmpvplay FILE [WIDTHxHEIGHT]\n");
        return 2;
    }
    setlocale(LC_NUMERIC, "C"); // libmpv refuses any other number format
    mpv_handle* mpv = mpv_create();
    if (!mpv)
        return 1;
    mpv_set_option_string(mpv, "config", "no");
    mpv_set_option_string(mpv, "input-default-bindings", "no");
    mpv_set_option_string(mpv, "vo", "x11");
    if (argc > 2) {
        char geometry[64];
        snprintf(geometry, sizeof geometry, "%s+0+0", argv[2]);
        mpv_set_option_string(mpv, "geometry", geometry);
    }
    int code = 1;
    if (mpv_initialize(mpv) >= 0) {
        const char* load[] = {"loadfile", argv[1], NULL};
        if (mpv_command(mpv, load) >= 0) {
            for (;;) {
                const mpv_event* event = mpv_wait_event(mpv, -1);
                if (event->event_id == MPV_EVENT_SHUTDOWN)
                    break;
                if (event->event_id == MPV_EVENT_END_FILE) {
                    const mpv_event_end_file* end = event->data;
                    code = end->reason == MPV_END_FILE_REASON_EOF ? 0 : 1;
                    break;
                }
            }
        }
    }
    mpv_terminate_destroy(mpv);
    return code;
}
