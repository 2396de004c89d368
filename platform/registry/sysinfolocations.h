// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where the system information tool is registered, below HKEY_LOCAL_MACHINE,
// in the order the launcher tries them.
namespace sysinfo
{

// The tool's full program path.
inline const QString kPathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString kPathValue = QStringLiteral("PATH");
// The tool's directory, which holds kProgramFile.
inline const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString kLocationValue = QStringLiteral("MSINFO");
inline const QString kProgramFile = QStringLiteral("MSINFO32.EXE");

} // namespace sysinfo
