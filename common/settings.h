// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

// The six values kept in Settei.dat, in file order. Sizes and positions are
// the main window's outer geometry in twips.
struct Settings {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t windowState = 0; // 0 normal, 1 minimized, 2 maximized
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int16_t showInformation = 0; // nonzero: shown (the player writes -1, Return 1)

    friend bool operator==(const Settings&, const Settings&) = default;
};

// What Return writes, and what the player falls back on when its file is unusable.
inline constexpr Settings kDefaultSettings{5400, 4250, 0, 0, 0, 1};

// Raised by ReadSettings and WriteSettings; what() is an English summary,
// reason() the system's or the parser's explanation for the user.
class SettingsError : public std::runtime_error
{
public:
    SettingsError(const QString& path, const QString& reason)
        : std::runtime_error((path + QStringLiteral(": ") + reason).toStdString()), m_path(path),
          m_reason(reason)
    {
    }
    const QString& path() const { return m_path; }
    const QString& reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

// Program directory + separator + "Settei.dat", joined as they are.
QString settingsPath(const QString& programDirectory);

// Where a program that runs from `programDirectory` keeps Settei.dat. Both
// programs follow the same rule, so Return writes the file the player reads:
// - The program directory's file, as it is, when that directory can be
//   written: a build tree, a copy in the user's own folder, a prefix of the
//   user's own. Writability is the system's (access(2) W_OK): a read-only file
//   system or an immutable directory refuses even root. A write-protected
//   Settei.dat in a writable directory stays the file used, and its write is
//   refused and reported.
// - Otherwise, and always for a directory under /usr (the system's read-only
//   tree: root could write there, but an installed package's files must not
//   change at run time), the user's configuration directory:
//   $XDG_CONFIG_HOME/merosonx/Settei.dat when XDG_CONFIG_HOME is absolute,
//   else $HOME/.config/merosonx/Settei.dat. Until that file exists, a
//   Settei.dat beside the programs gives the starting values.
// - With neither an absolute XDG_CONFIG_HOME nor an absolute HOME there is no
//   user's directory: the program directory's file is used, and a write that
//   the directory refuses is reported with that path.
struct SettingsLocation {
    QString readPath;  // the file the player starts from (it may be missing)
    QString writePath; // the file the player saves to and Return rewrites
    // writePath is in the user's configuration directory, which is created
    // when missing before the write.
    bool inUserDirectory = false;
};
SettingsLocation settingsLocation(const QString& programDirectory);

// settingsLocation(programDirectory).writePath, the user's configuration
// directory made first when the file goes there. When it cannot be made, the
// path is still returned: WriteSettings then fails on it with the system's
// reason, and the previous file is left as it was.
QString settingsWritePath(const QString& programDirectory);

// Reads the six values. Values are separated by a comma or a line end; blanks
// around them are skipped; anything after the sixth is ignored. Throws
// SettingsError when the file cannot be read, ends early, or a value is not a
// decimal integer that fits its field (32-bit, the flag 16-bit).
Settings ReadSettings(const QString& path);

// The one line "h,w,s,t,l,f\r\n". The file is replaced atomically: a failed
// write throws SettingsError and leaves the previous file as it was.
void WriteSettings(const QString& path, const Settings& settings);

// The exact bytes WriteSettings puts in the file.
QByteArray formatSettings(const Settings& settings);
