// SPDX-License-Identifier: MIT
// Reads the benchmark's test picture off the X screen: when it first appears
// (its magenta band), and the frame numbers of its bar code some 200 times a
// second, until its standard input closes. Then it prints one line:
//   first <s since --start> frames <distinct> reads <n> gap <longest ms>
//   cpu <own s> finds <n> last <highest frame seen> at <s since --start>
//   missing <ranges>
// The bar code (bench.py draws it): a strip from 1/24 to 1/8 of the picture's
// height, split into 2 x (bits + 2) blocks: twice a white guard, the frame
// number's bits (most significant first, white = 1) and a black guard. Only a
// reading whose two copies agree counts.
//
// Each reading is one MIT-SHM GetImage of the strip's middle row: a few
// microseconds of this process and of the X server, so the reader neither
// falls behind nor takes processor time from the players.
//
//   framereader --start <CLOCK_MONOTONIC s> --size WxH --aspect <w/h>
//               [--frames N] [--bits B] [--interval-ms 5]
// With --locate 1 it only waits (at most 15 s) for the picture to show and
// settle, and prints "box <x> <y> <w> <h>", or "box none".
#include <math.h>
#include <poll.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <time.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

typedef struct {
    int x, y, w, h;
} Box;

static xcb_connection_t* conn;
static xcb_window_t root;
static int screen_w, screen_h;

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// ZPixmap, 32 bits per pixel: B, G, R, X.
static bool magenta(const uint8_t* p)
{
    return p[2] > 200 && p[0] > 200 && p[1] < 90;
}

// A plain GetImage; the caller frees the reply. Null outside the screen.
static xcb_get_image_reply_t* image(int x, int y, int w, int h)
{
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > screen_w || y + h > screen_h)
        return NULL;
    xcb_get_image_cookie_t cookie =
        xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, root, x, y, w, h, ~0u);
    return xcb_get_image_reply(conn, cookie, NULL);
}

// Finds the picture of an output of size out_w x out_h anywhere on the
// screen: a magenta run down one of the columns a quarter of the output's
// width apart, and across that run's middle a run of at least half the
// output's width (testsrc2's own magenta column is narrower). The height
// follows from the aspect.
static bool find_picture(int out_w, int out_h, double aspect, Box* box)
{
    const int step = out_w / 4 > 0 ? out_w / 4 : 1;
    for (int probe = step / 2; probe < screen_w; probe += step) {
        xcb_get_image_reply_t* col = image(probe, 0, 1, screen_h);
        if (!col)
            continue;
        const uint8_t* data = xcb_get_image_data(col);
        int start = -1;
        for (int y = 0; y <= screen_h; ++y) {
            const bool inside = y < screen_h && magenta(data + 4 * y);
            if (inside && start < 0)
                start = y;
            if (inside || start < 0)
                continue;
            const int length = y - start;
            const int middle = start + length / 2;
            start = -1;
            if (length < out_h / 10)
                continue;
            xcb_get_image_reply_t* row = image(0, middle, screen_w, 1);
            if (!row)
                continue;
            const uint8_t* line = xcb_get_image_data(row);
            int left = probe, right = probe;
            while (left > 0 && magenta(line + 4 * (left - 1)))
                --left;
            while (right < screen_w && magenta(line + 4 * right))
                ++right;
            const bool band = right - left >= out_w / 2 && magenta(line + 4 * probe);
            free(row);
            if (band) {
                box->x = left;
                box->w = right - left;
                box->h = (int)lround(box->w / aspect);
                box->y = middle - box->h / 2;
                free(col);
                return true;
            }
        }
        free(col);
    }
    return false;
}

typedef struct {
    xcb_shm_seg_t seg;
    uint8_t* data;
} Shm;

static bool shm_init(Shm* shm, size_t bytes)
{
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    shm->data = shmat(id, NULL, 0);
    shm->seg = xcb_generate_id(conn);
    xcb_void_cookie_t attached = xcb_shm_attach_checked(conn, shm->seg, (uint32_t)id, 0);
    xcb_generic_error_t* error = xcb_request_check(conn, attached);
    shmctl(id, IPC_RMID, NULL); // gone once both sides detach
    if (error || shm->data == (void*)-1) {
        free(error);
        return false;
    }
    return true;
}

// The frame number in `box`, or -1 when the copies disagree or are not there.
static int read_frame(const Shm* shm, const Box* box, int bits)
{
    const int y = box->y + box->h / 12;
    if (box->x < 0 || y < 0 || box->x + box->w > screen_w || y >= screen_h)
        return -1;
    xcb_shm_get_image_cookie_t cookie = xcb_shm_get_image(
        conn, root, box->x, y, box->w, 1, ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, shm->seg, 0);
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(conn, cookie, NULL);
    if (!reply)
        return -1;
    free(reply);
    const int blocks = 2 * (bits + 2);
    int copies[2] = {0, 0};
    for (int i = 0; i < blocks; ++i) {
        const int cx = (int)((i + 0.5) * box->w / blocks);
        int luma = 0;
        for (int px = cx - 2; px <= cx + 2; ++px) {
            const uint8_t* p = shm->data + 4 * px;
            luma += p[0] + p[1] + p[2];
        }
        const bool white = luma > 5 * 3 * 128;
        const int copy = i / (bits + 2);
        const int at = i % (bits + 2);
        if (at == 0 && !white)
            return -1; // guard
        if (at == bits + 1 && white)
            return -1; // guard
        if (at >= 1 && at <= bits && white)
            copies[copy] |= 1 << (bits - at);
    }
    return copies[0] == copies[1] ? copies[0] : -1;
}

static bool input_closed(void)
{
    struct pollfd in = {.fd = 0, .events = POLLIN};
    if (poll(&in, 1, 0) <= 0)
        return false;
    char buffer[64];
    return read(0, buffer, sizeof buffer) <= 0;
}

int main(int argc, char** argv)
{
    double start = now(), aspect = 16.0 / 9.0;
    int out_w = 640, out_h = 360, frames = 600, bits = 10, interval_ms = 5, locate = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--start"))
            start = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--size"))
            sscanf(argv[i + 1], "%dx%d", &out_w, &out_h);
        else if (!strcmp(argv[i], "--aspect"))
            aspect = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--frames"))
            frames = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--bits"))
            bits = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--interval-ms"))
            interval_ms = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--locate"))
            locate = atoi(argv[i + 1]);
    }
    conn = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(conn)) {
        fprintf(stderr, "framereader: no X display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    root = screen->root;
    screen_w = screen->width_in_pixels;
    screen_h = screen->height_in_pixels;
    if (locate) {
        Box box;
        const double deadline = now() + 15;
        bool found = false;
        while (!found && now() < deadline) {
            found = find_picture(out_w, out_h, aspect, &box);
            if (!found)
                usleep(20000);
        }
        if (found) {
            usleep(500000); // the window settles
            found = find_picture(out_w, out_h, aspect, &box);
        }
        if (found)
            printf("box %d %d %d %d\n", box.x, box.y, box.w, box.h);
        else
            printf("box none\n");
        return 0;
    }
    Shm shm;
    if (!shm_init(&shm, (size_t)screen_w * 4)) {
        fprintf(stderr, "framereader: no MIT-SHM\n");
        return 1;
    }

    bool* seen = calloc((size_t)frames, 1);
    double first = -1, gap = 0, last = -1;
    long reads = 0, finds = 0;
    int highest = -1; // the highest frame number seen, and when it first showed
    double highest_at = -1;
    int misses = 0;
    bool found = false;
    Box box = {0, 0, 0, 0};
    while (!input_closed()) {
        if (!found) {
            found = find_picture(out_w, out_h, aspect, &box);
            ++finds;
            if (!found) {
                usleep(3000);
                continue;
            }
            if (first < 0)
                first = now() - start;
            last = -1;
        }
        const int frame = read_frame(&shm, &box, bits);
        const double at = now();
        if (last >= 0 && at - last > gap)
            gap = at - last;
        last = at;
        ++reads;
        if (frame < 0) {
            // a moved or resized picture is looked for again
            if (++misses >= 20) {
                found = false;
                misses = 0;
            }
        } else {
            misses = 0;
            if (frame < frames && !seen[frame]) {
                seen[frame] = true;
                if (frame > highest) {
                    highest = frame;
                    highest_at = at - start;
                }
            }
        }
        const double next = at + interval_ms / 1000.0;
        const double wait = next - now();
        if (wait > 0)
            usleep((useconds_t)(wait * 1e6));
    }

    int count = 0;
    for (int i = 0; i < frames; ++i)
        count += seen[i];
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                       usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    printf("first %.4f frames %d reads %ld gap %.1f cpu %.3f finds %ld last %d at %.3f missing ",
           first, count, reads, gap * 1000, cpu, finds, highest, highest_at);
    // missing frames as ranges, for a look at where they went
    bool any = false;
    for (int i = 0; i < frames; ++i) {
        if (seen[i])
            continue;
        int j = i;
        while (j + 1 < frames && !seen[j + 1])
            ++j;
        printf(any ? ",%d" : "%d", i);
        if (j > i)
            printf("-%d", j);
        any = true;
        i = j;
    }
    printf(any ? "\n" : "-\n");
    return 0;
}
