// SPDX-License-Identifier: MIT
// settings_write_loop <path>: writes Settei.dat at <path> with WriteSettings
// over and over, each time with values of other lengths, until it is killed.
// After the first 20 writes it prints "ready <microseconds per write>" so
// that the killer knows how long one write takes.
#include "settings.h"

#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: settings_write_loop <path>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    // Values from 1 to 11 characters, so that a line cut short or a mix of
    // two lines could not pass for a whole one.
    const std::int32_t values[] = {0, -7, 42, -450, 5565, -12000, 123456, -2147483648, 2147483647};
    QElapsedTimer clock;
    clock.start();
    for (quint64 i = 0;; ++i) {
        const auto v = [&](int k) { return values[(i + quint64(k) * 3) % std::size(values)]; };
        WriteSettings(path, {v(0), v(1), v(2), v(3), v(4), std::int16_t(i % 2 ? -1 : 1)});
        if (i == 19) {
            std::printf("ready %lld\n", static_cast<long long>(clock.nsecsElapsed() / 20000));
            std::fflush(stdout);
        }
    }
}
