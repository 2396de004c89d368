// SPDX-License-Identifier: MIT
#pragma once

#include "tableregistry.h"

#include <QStringList>

// The registry on a desktop that has none: it holds one entry, the system
// information tool's program path (sysinfo::kPathKey, kPathValue), naming the
// first of `candidates` found as an executable on the search path, and nothing
// when none is installed. The tool's directory entry is never there: no
// directory of such a desktop holds the program file it would name.
//
// The programs are looked up again whenever a key is opened while none is open,
// so a tool installed while the program runs is found on the next lookup.
class DesktopRegistry final : public Registry
{
public:
    // System information programs first, then system monitors.
    static QStringList defaultCandidates();

    // `searchPaths` empty: the directories of PATH.
    explicit DesktopRegistry(QStringList candidates = defaultCandidates(),
                             QStringList searchPaths = {});

    reg::Status openKeyEx(reg::HKey root, const QByteArray& subKey, std::uint32_t options,
                          std::uint32_t samDesired, reg::HKey& result) override;
    reg::Status queryValueEx(reg::HKey key, const QByteArray& valueName, std::uint32_t& type,
                             char* data, std::uint32_t& size) override;
    reg::Status closeKey(reg::HKey key) override;

private:
    void refresh();

    QStringList m_candidates;
    QStringList m_searchPaths;
    TableRegistry m_table;
};
