// SPDX-License-Identifier: MIT
#include "systemregistry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "win32registry.h"

#include <string>
#include <windows.h>
#else
#include "desktopregistry.h"
#endif

std::unique_ptr<Registry> systemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<Win32Registry>();
#else
    return std::make_unique<DesktopRegistry>();
#endif
}

QString expandEnvironmentStrings(const QString& text)
{
#ifdef Q_OS_WIN
    const auto* source = reinterpret_cast<const wchar_t*>(text.utf16());
    const DWORD needed = ExpandEnvironmentStringsW(source, nullptr, 0);
    if (needed == 0)
        return text;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(source, expanded.data(), needed);
    if (written == 0 || written > needed)
        return text;
    expanded.resize(written - 1); // without the terminating zero
    return QString::fromStdWString(expanded);
#else
    QString result;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype open = text.indexOf(u'%', from);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'%', open + 1);
        if (close < 0) {
            result += text.mid(from);
            break;
        }
        result += text.mid(from, open - from);
        const QString name = text.mid(open + 1, close - open - 1);
        if (!name.isEmpty() && qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
            result += qEnvironmentVariable(name.toLocal8Bit().constData());
            from = close + 1;
        } else {
            // Not a variable: the first % stays, the second may open a name.
            result += u'%';
            from = open + 1;
        }
    }
    return result;
#endif
}
