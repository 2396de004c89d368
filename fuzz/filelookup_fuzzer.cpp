// SPDX-License-Identifier: MIT
// The command-line text, looked up as the player looks it up at start-up, in
// a directory holding the awkward things people's disks hold: hidden files,
// folders with media names, a FIFO, links to files, folders and nowhere,
// names with blanks, quotes, wildcards and Japanese in them.
//
// Whatever the text, the lookup returns the bare name of an ordinary file or
// nothing: never a directory, device or pipe, never a hidden file, never a
// name with a separator. Inside that directory it must also find exactly
// what a plain reference finds: the first matching ordinary file in name
// order, matched by a dynamic-programming wildcard matcher.
#include "filelookup.h"
#include "fuzzscratch.h"

#include <QDir>
#include <QFileInfo>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void touch(const QString& path)
{
    QFile file(path);
    require(file.open(QIODevice::WriteOnly));
}

// Fills the sandbox and makes it the current directory for relative texts.
bool populate(const FuzzScratch& s)
{
    const QDir root(s.root());
    for (const char* name :
         {"a.wav", "b.wav", "B.mp3", ".hidden.wav", "song 1.mp3", "x?y.wav", "star*.mid",
          "quote\".wav", "back\\slash.wav", "[a].wav", "trailing .wav", "-dash.mp3"})
        touch(root.filePath(QString::fromUtf8(name)));
    touch(root.filePath(QStringLiteral("歌詞と曲.mp3")));
    touch(root.filePath(QStringLiteral("ﾃｽﾄ.MID")));
    require(root.mkpath(QStringLiteral("folder.wav/sub")));
    touch(root.filePath(QStringLiteral("folder.wav/inner.wav")));
    touch(root.filePath(QStringLiteral("folder.wav/.inner.wav")));
    require(root.mkpath(QStringLiteral("empty")));
    require(QFile::link(root.filePath(QStringLiteral("folder.wav")),
                        root.filePath(QStringLiteral("dirlink"))));
    require(QFile::link(root.filePath(QStringLiteral("a.wav")),
                        root.filePath(QStringLiteral("filelink.wav"))));
    require(QFile::link(root.filePath(QStringLiteral("nowhere")),
                        root.filePath(QStringLiteral("dangling.wav"))));
    require(::mkfifo(QFile::encodeName(root.filePath(QStringLiteral("pipe.wav"))).constData(),
                     0600) == 0);
    require(QDir::setCurrent(root.path()));
    return true;
}

const FuzzScratch& sandbox()
{
    static const FuzzScratch scratch;
    static const bool populated = populate(scratch);
    (void)populated;
    return scratch;
}

// Whether `name` matches `pattern`: "*" any run of UTF-16 units, "?" one.
bool matches(QStringView pattern, QStringView name)
{
    // row[j]: the pattern so far matches the first j units of the name.
    std::vector<char> row(size_t(name.size()) + 1, 0);
    row[0] = 1;
    for (const QChar p : pattern) {
        std::vector<char> next(row.size(), 0);
        if (p == u'*') {
            char any = 0;
            for (size_t j = 0; j < row.size(); ++j)
                next[j] = any = any || row[j];
        } else {
            for (size_t j = 1; j < row.size(); ++j)
                next[j] = row[j - 1] && (p == u'?' || p == name[qsizetype(j) - 1]);
        }
        row.swap(next);
    }
    return row.back();
}

bool ordinary(const QFileInfo& info)
{
    return info.isFile() && !info.fileName().startsWith(u'.');
}

bool before(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

std::optional<QString> reference(const QString& text)
{
    if (text.isEmpty() || text.contains(QChar(0)))
        return std::nullopt;
    const QFileInfo info(text);
    const QString pattern = info.fileName();
    if (pattern.isEmpty())
        return std::nullopt;
    if (!pattern.contains(u'*') && !pattern.contains(u'?'))
        return ordinary(info) ? std::optional(pattern) : std::nullopt;
    const QDir dir(info.path());
    std::optional<QString> first;
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (matches(pattern, name) && ordinary(QFileInfo(dir, name)) &&
            (!first || before(name, *first)))
            first = name;
    }
    return first;
}

bool insideSandbox(const QString& text)
{
    if (text.isEmpty() || text.contains(QChar(0)))
        return false;
    const QString root = QDir(sandbox().root()).canonicalPath();
    const QString dir = QFileInfo(QFileInfo(text).absolutePath()).canonicalFilePath();
    return !dir.isEmpty() && (dir == root || dir.startsWith(root + u'/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sandbox();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> found = findFirstFile(text);
    if (found) {
        require(!found->isEmpty() && !found->contains(u'/') && !found->startsWith(u'.'));
        require(!QFileInfo(QDir(QFileInfo(text).path()), *found).isDir());
    }
    // Outside the sandbox the disk may change under the check (/proc).
    if (insideSandbox(text))
        require(found == reference(text));
    return 0;
}
