// SPDX-License-Identifier: MIT
#include "win32registry.h"

#include <QLibrary>
#include <windows.h>

namespace
{

using OpenKeyExA = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using QueryValueExA = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using CloseKey = LONG(WINAPI*)(HKEY);

// Resolved once, at the first call that needs it; null when the library or the
// function is missing.
template <typename F> F bind(const char* name)
{
    return reinterpret_cast<F>(QLibrary::resolve(QStringLiteral("advapi32"), name));
}

HKEY handle(reg::HKey key)
{
    return reinterpret_cast<HKEY>(key);
}

} // namespace

reg::Status Win32Registry::openKeyEx(reg::HKey root, const QByteArray& subKey,
                                     std::uint32_t options, std::uint32_t samDesired,
                                     reg::HKey& result)
{
    static const auto call = bind<OpenKeyExA>("RegOpenKeyExA");
    if (!call)
        return ERROR_PROC_NOT_FOUND;
    HKEY opened = nullptr;
    const LONG status = call(handle(root), subKey.constData(), options, samDesired, &opened);
    if (status == ERROR_SUCCESS)
        result = reinterpret_cast<reg::HKey>(opened);
    return status;
}

reg::Status Win32Registry::queryValueEx(reg::HKey key, const QByteArray& valueName,
                                        std::uint32_t& type, char* data, std::uint32_t& size)
{
    static const auto call = bind<QueryValueExA>("RegQueryValueExA");
    if (!call)
        return ERROR_PROC_NOT_FOUND;
    DWORD valueType = 0;
    DWORD bytes = size;
    const LONG status = call(handle(key), valueName.constData(), nullptr, &valueType,
                             reinterpret_cast<LPBYTE>(data), &bytes);
    type = valueType;
    size = bytes;
    return status;
}

reg::Status Win32Registry::closeKey(reg::HKey key)
{
    static const auto call = bind<CloseKey>("RegCloseKey");
    if (!call)
        return ERROR_PROC_NOT_FOUND;
    return call(handle(key));
}
