// SPDX-License-Identifier: MIT
#pragma once

#include "registry.h"

// The system's registry through advapi32's ANSI calls, each bound by name at
// its first use. Windows only.
class Win32Registry final : public Registry
{
public:
    reg::Status openKeyEx(reg::HKey root, const QByteArray& subKey, std::uint32_t options,
                          std::uint32_t samDesired, reg::HKey& result) override;
    reg::Status queryValueEx(reg::HKey key, const QByteArray& valueName, std::uint32_t& type,
                             char* data, std::uint32_t& size) override;
    reg::Status closeKey(reg::HKey key) override;
};
