// SPDX-License-Identifier: MIT
#pragma once

#include "registry.h"

#include <QHash>
#include <QString>
#include <map>

// A registry held in memory: keys and values are entries of a table. Key paths
// and value names match without regard to case, as the system's do; a key also
// exists when only keys below it were added. Keeps count of the handles it
// hands out, so a caller can be checked to close every key it opened.
class TableRegistry : public Registry
{
public:
    // Adds the key when it is not there yet and sets the rights it may be
    // opened with; asking for more gives kAccessDenied.
    void addKey(reg::HKey root, const QString& keyPath,
                std::uint32_t allowedAccess = reg::kKeyAllAccess);
    // Adds or replaces a value, adding its key as needed. `data` is stored as
    // given: a text value carries its own terminating zero, or none.
    void setValue(reg::HKey root, const QString& keyPath, const QString& valueName,
                  std::uint32_t type, const QByteArray& data);
    // A text in the ANSI code page followed by its terminating zero.
    void setString(reg::HKey root, const QString& keyPath, const QString& valueName,
                   const QString& text, std::uint32_t type = reg::kRegSz);
    // A 32-bit number, little-endian.
    void setDword(reg::HKey root, const QString& keyPath, const QString& valueName,
                  std::uint32_t value);
    // Removes the key, its values and the keys below it.
    void removeKey(reg::HKey root, const QString& keyPath);

    int openCount() const { return m_opens; }
    int closeCount() const { return m_closes; }
    int openHandleCount() const { return int(m_open.size()); }

    reg::Status openKeyEx(reg::HKey root, const QByteArray& subKey, std::uint32_t options,
                          std::uint32_t samDesired, reg::HKey& result) override;
    reg::Status queryValueEx(reg::HKey key, const QByteArray& valueName, std::uint32_t& type,
                             char* data, std::uint32_t& size) override;
    reg::Status closeKey(reg::HKey key) override;

private:
    struct Value {
        std::uint32_t type = reg::kRegNone;
        QByteArray data;
    };
    struct Key {
        std::uint32_t allowedAccess = reg::kKeyAllAccess;
        std::map<QString, Value> values; // by case-folded name
    };

    // The table's name of a key: root and path, case-folded. Empty when `root`
    // is neither a root key nor an open handle.
    QString fullPath(reg::HKey root, const QString& keyPath) const;
    bool exists(const QString& path) const;

    std::map<QString, Key> m_keys;    // by full path
    QHash<reg::HKey, QString> m_open; // open handles and the keys they name
    reg::HKey m_nextHandle = 0x1000;
    int m_opens = 0;
    int m_closes = 0;
};
