// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Who makes the program and where to reach them: the About box shows these and
// its links open them.
namespace productinfo
{

inline QString author()
{
    return QStringLiteral("Mero Sonx 開発チーム");
}
inline QString homePage()
{
    return QStringLiteral("https://merosonx.example.org/");
}
inline QString mailAddress()
{
    return QStringLiteral("merosonx@example.org");
}

} // namespace productinfo
