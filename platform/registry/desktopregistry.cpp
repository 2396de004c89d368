// SPDX-License-Identifier: MIT
#include "desktopregistry.h"

#include "sysinfolocations.h"

#include <QStandardPaths>

QStringList DesktopRegistry::defaultCandidates()
{
    return {QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lxtask")};
}

DesktopRegistry::DesktopRegistry(QStringList candidates, QStringList searchPaths)
    : m_candidates(std::move(candidates)), m_searchPaths(std::move(searchPaths))
{
}

void DesktopRegistry::refresh()
{
    m_table.removeKey(reg::kHkeyLocalMachine, sysinfo::kPathKey);
    for (const QString& name : std::as_const(m_candidates)) {
        const QString program = QStandardPaths::findExecutable(name, m_searchPaths);
        if (!program.isEmpty()) {
            m_table.setString(reg::kHkeyLocalMachine, sysinfo::kPathKey, sysinfo::kPathValue,
                              program);
            return;
        }
    }
}

reg::Status DesktopRegistry::openKeyEx(reg::HKey root, const QByteArray& subKey,
                                       std::uint32_t options, std::uint32_t samDesired,
                                       reg::HKey& result)
{
    if (m_table.openHandleCount() == 0)
        refresh();
    return m_table.openKeyEx(root, subKey, options, samDesired, result);
}

reg::Status DesktopRegistry::queryValueEx(reg::HKey key, const QByteArray& valueName,
                                          std::uint32_t& type, char* data, std::uint32_t& size)
{
    return m_table.queryValueEx(key, valueName, type, data, size);
}

reg::Status DesktopRegistry::closeKey(reg::HKey key)
{
    return m_table.closeKey(key);
}
