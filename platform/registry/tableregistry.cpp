// SPDX-License-Identifier: MIT
#include "tableregistry.h"

#include <cstring>

namespace
{

// Bits that select a registry view, not a right.
constexpr std::uint32_t kViewBits = 0x0300;

bool isRootKey(reg::HKey key)
{
    return key == reg::kHkeyClassesRoot32 || key == reg::kHkeyCurrentUser32 ||
           key == reg::kHkeyLocalMachine32 || key == reg::kHkeyUsers32;
}

} // namespace

QString TableRegistry::fullPath(reg::HKey root, const QString& keyPath) const
{
    QString base;
    if (isRootKey(root))
        base = QString::number(quint64(root), 16);
    else if (const auto it = m_open.find(root); it != m_open.end())
        base = it.value();
    else
        return {};
    return keyPath.isEmpty() ? base : base + u'\\' + keyPath.toCaseFolded();
}

bool TableRegistry::exists(const QString& path) const
{
    if (!path.contains(u'\\'))
        return true; // a root key
    if (m_keys.contains(path))
        return true;
    const QString below = path + u'\\';
    const auto it = m_keys.lower_bound(below);
    return it != m_keys.end() && it->first.startsWith(below);
}

void TableRegistry::addKey(reg::HKey root, const QString& keyPath, std::uint32_t allowedAccess)
{
    const QString path = fullPath(root, keyPath);
    if (path.isEmpty())
        return;
    m_keys[path].allowedAccess = allowedAccess;
}

void TableRegistry::setValue(reg::HKey root, const QString& keyPath, const QString& valueName,
                             std::uint32_t type, const QByteArray& data)
{
    const QString path = fullPath(root, keyPath);
    if (path.isEmpty())
        return;
    m_keys[path].values[valueName.toCaseFolded()] = Value{type, data};
}

void TableRegistry::setString(reg::HKey root, const QString& keyPath, const QString& valueName,
                              const QString& text, std::uint32_t type)
{
    QByteArray data = text.toLocal8Bit();
    data.append('\0');
    setValue(root, keyPath, valueName, type, data);
}

void TableRegistry::setDword(reg::HKey root, const QString& keyPath, const QString& valueName,
                             std::uint32_t value)
{
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = char((value >> (8 * i)) & 0xFF);
    setValue(root, keyPath, valueName, reg::kRegDword, data);
}

void TableRegistry::removeKey(reg::HKey root, const QString& keyPath)
{
    const QString path = fullPath(root, keyPath);
    if (path.isEmpty())
        return;
    m_keys.erase(path);
    const QString below = path + u'\\';
    auto it = m_keys.lower_bound(below);
    while (it != m_keys.end() && it->first.startsWith(below))
        it = m_keys.erase(it);
}

reg::Status TableRegistry::openKeyEx(reg::HKey root, const QByteArray& subKey,
                                     std::uint32_t /*options*/, std::uint32_t samDesired,
                                     reg::HKey& result)
{
    if (!isRootKey(root) && !m_open.contains(root))
        return reg::kInvalidHandle;
    const QString keyPath = QString::fromLocal8Bit(subKey);
    if (keyPath.startsWith(u'\\'))
        return reg::kFileNotFound;
    const QString path = fullPath(root, keyPath);
    if (!exists(path))
        return reg::kFileNotFound;
    const auto it = m_keys.find(path);
    const std::uint32_t allowed =
        it == m_keys.end() ? reg::kKeyAllAccess : it->second.allowedAccess;
    if ((samDesired & ~kViewBits & ~allowed) != 0)
        return reg::kAccessDenied;
    result = m_nextHandle;
    m_nextHandle += 4;
    m_open.insert(result, path);
    ++m_opens;
    return reg::kSuccess;
}

reg::Status TableRegistry::queryValueEx(reg::HKey key, const QByteArray& valueName,
                                        std::uint32_t& type, char* data, std::uint32_t& size)
{
    const auto open = m_open.find(key);
    if (open == m_open.end())
        return reg::kInvalidHandle;
    const auto k = m_keys.find(open.value());
    if (k == m_keys.end())
        return reg::kFileNotFound;
    const auto v = k->second.values.find(QString::fromLocal8Bit(valueName).toCaseFolded());
    if (v == k->second.values.end())
        return reg::kFileNotFound;
    const Value& value = v->second;
    const auto needed = std::uint32_t(value.data.size());
    type = value.type;
    if (data == nullptr) {
        size = needed;
        return reg::kSuccess;
    }
    if (needed > size) {
        size = needed;
        return reg::kMoreData;
    }
    std::memcpy(data, value.data.constData(), needed);
    size = needed;
    return reg::kSuccess;
}

reg::Status TableRegistry::closeKey(reg::HKey key)
{
    if (isRootKey(key))
        return reg::kSuccess;
    if (!m_open.remove(key))
        return reg::kInvalidHandle;
    ++m_closes;
    return reg::kSuccess;
}
