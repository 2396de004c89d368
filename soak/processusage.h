// SPDX-License-Identifier: MIT
#pragma once

#include <QMap>
#include <QString>

// What the process holds at one moment, from /proc/self (Linux).
struct ProcessUsage {
    qint64 rssKb = 0; // resident set size
    int fds = 0;      // open file descriptors
    int threads = 0;

    static ProcessUsage now();
    QString toString() const;

    // Resident KB per mapping ([heap], a library, "anonymous"), from
    // /proc/self/smaps: where the RSS lives, for telling growth apart.
    static QMap<QString, qint64> residentByMapping();
};
