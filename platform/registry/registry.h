// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <cstdint>

// The registry as the programs read it: the three calls of the ANSI registry
// API, with their handles, result codes, value types and buffer rules.
namespace reg
{

// A key handle. Root keys have fixed values: the 32-bit constants, sign-extended
// to the width of a pointer as the system does.
using HKey = std::intptr_t;

inline constexpr std::int32_t kHkeyClassesRoot32 = std::int32_t(0x80000000u);
inline constexpr std::int32_t kHkeyCurrentUser32 = std::int32_t(0x80000001u);
inline constexpr std::int32_t kHkeyLocalMachine32 = std::int32_t(0x80000002u);
inline constexpr std::int32_t kHkeyUsers32 = std::int32_t(0x80000003u);
inline constexpr HKey kHkeyLocalMachine = kHkeyLocalMachine32;

// Result codes (system error numbers).
using Status = std::int32_t;
inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kMoreData = 234;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kReadControl = 0x20000;
inline constexpr std::uint32_t kKeyRead =
    kReadControl | kKeyQueryValue | kKeyEnumerateSubKeys | kKeyNotify; // 0x20019
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

} // namespace reg

// One registry. Texts are bytes in the system's ANSI code page (the local 8-bit
// encoding elsewhere). Every handle that openKeyEx hands out must be closed.
class Registry
{
public:
    virtual ~Registry() = default;

    // Opens `subKey` below `root` (a root key or an open handle) with the access
    // `samDesired`; `result` is the new handle on kSuccess and left alone
    // otherwise. kFileNotFound when there is no such key, kAccessDenied when the
    // key may not be opened with that access.
    virtual reg::Status openKeyEx(reg::HKey root, const QByteArray& subKey, std::uint32_t options,
                                  std::uint32_t samDesired, reg::HKey& result) = 0;

    // Reads the value `valueName` of an open key. On entry `size` is the
    // capacity of `data` in bytes. On kSuccess `type` is the value's type, the
    // data are in `data` and `size` is the number of bytes written, the
    // terminating zero of a text included when the value was stored with one.
    // kMoreData when the value needs more than `size` bytes (`size` then tells
    // how many; `data` is unspecified), kFileNotFound when there is no such value.
    virtual reg::Status queryValueEx(reg::HKey key, const QByteArray& valueName,
                                     std::uint32_t& type, char* data, std::uint32_t& size) = 0;

    virtual reg::Status closeKey(reg::HKey key) = 0;
};
