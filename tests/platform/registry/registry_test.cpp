// SPDX-License-Identifier: MIT
#include "desktopregistry.h"
#include "sysinfolocations.h"
#include "systemregistry.h"
#include "tableregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>

namespace
{

const QString kKey = QStringLiteral("SOFTWARE\\Mero\\Test");
constexpr reg::HKey kLm = reg::kHkeyLocalMachine;

struct Query {
    reg::Status status = -1;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    QByteArray data;
};

// Opens, queries into a buffer of `capacity` bytes, closes.
Query query(Registry& registry, const QString& key, const QString& value,
            std::uint32_t capacity = 1024, std::uint32_t access = reg::kKeyRead)
{
    Query q;
    reg::HKey handle = 0;
    q.status = registry.openKeyEx(kLm, key.toLocal8Bit(), 0, access, handle);
    if (q.status != reg::kSuccess)
        return q;
    QByteArray buffer(int(capacity), '\x7f');
    q.size = capacity;
    q.status = registry.queryValueEx(handle, value.toLocal8Bit(), q.type, buffer.data(), q.size);
    if (q.status == reg::kSuccess)
        q.data = buffer.left(int(q.size));
    registry.closeKey(handle);
    return q;
}

TEST(TableRegistry, TextValuesCarryTheirTerminatorAndMustFit)
{
    TableRegistry r;
    r.setString(kLm, kKey, QStringLiteral("Short"), QStringLiteral("abc"));
    r.setString(kLm, kKey, QStringLiteral("Exact"), QString(1023, u'x')); // 1024 bytes
    r.setString(kLm, kKey, QStringLiteral("Long"), QString(1024, u'x'));  // 1025 bytes
    r.setString(kLm, kKey, QStringLiteral("Japanese"), QStringLiteral("日本"));

    const Query shortText = query(r, kKey, QStringLiteral("short")); // names ignore case
    EXPECT_EQ(shortText.status, reg::kSuccess);
    EXPECT_EQ(shortText.type, reg::kRegSz);
    EXPECT_EQ(shortText.size, 4u);
    EXPECT_EQ(shortText.data, QByteArray("abc\0", 4));

    const Query exact = query(r, kKey, QStringLiteral("Exact"));
    EXPECT_EQ(exact.status, reg::kSuccess);
    EXPECT_EQ(exact.size, 1024u);

    const Query tooLong = query(r, kKey, QStringLiteral("Long"));
    EXPECT_EQ(tooLong.status, reg::kMoreData);
    EXPECT_EQ(tooLong.size, 1025u) << "the size tells what would be needed";

    const Query japanese = query(r, kKey, QStringLiteral("Japanese"));
    EXPECT_EQ(japanese.size, uint(QStringLiteral("日本").toLocal8Bit().size() + 1))
        << "sizes count bytes of the code page, not characters";

    const Query dword = [&] {
        r.setDword(kLm, kKey, QStringLiteral("Number"), 0x01020304);
        return query(r, kKey, QStringLiteral("Number"));
    }();
    EXPECT_EQ(dword.type, reg::kRegDword);
    EXPECT_EQ(dword.data, QByteArray("\x04\x03\x02\x01", 4));
    EXPECT_EQ(r.openHandleCount(), 0);
}

TEST(TableRegistry, KeysValuesAndHandles)
{
    TableRegistry r;
    r.setString(kLm, kKey, QStringLiteral("V"), QStringLiteral("x"));
    r.addKey(kLm, QStringLiteral("SOFTWARE\\ReadOnly"), reg::kKeyRead);

    // Missing key, missing value.
    EXPECT_EQ(query(r, QStringLiteral("SOFTWARE\\Nothing"), QStringLiteral("V")).status,
              reg::kFileNotFound);
    EXPECT_EQ(query(r, kKey, QStringLiteral("W")).status, reg::kFileNotFound);
    // A key exists when keys below it do; paths ignore case.
    EXPECT_EQ(query(r, QStringLiteral("software\\MERO"), QStringLiteral("V")).status,
              reg::kFileNotFound);
    EXPECT_EQ(query(r, QStringLiteral("software\\mero\\test"), QStringLiteral("v")).status,
              reg::kSuccess);
    // A name that merely begins like a key is another key.
    EXPECT_EQ(query(r, QStringLiteral("SOFTWARE\\Mer"), QStringLiteral("V")).status,
              reg::kFileNotFound);

    // Asking for more than a key allows is refused.
    EXPECT_EQ(query(r, QStringLiteral("SOFTWARE\\ReadOnly"), {}, 1024, 0x2003F).status,
              reg::kAccessDenied);
    reg::HKey handle = 0;
    EXPECT_EQ(r.openKeyEx(kLm, "SOFTWARE\\ReadOnly", 0, reg::kKeyRead, handle), reg::kSuccess);
    EXPECT_NE(handle, 0);
    EXPECT_EQ(r.openHandleCount(), 1);
    EXPECT_EQ(r.closeKey(handle), reg::kSuccess);
    EXPECT_EQ(r.closeKey(handle), reg::kInvalidHandle) << "closed twice";
    std::uint32_t type = 0;
    std::uint32_t size = 1024;
    std::array<char, 1024> buffer{};
    EXPECT_EQ(r.queryValueEx(handle, "V", type, buffer.data(), size), reg::kInvalidHandle);

    // Relative to an open key.
    reg::HKey software = 0;
    ASSERT_EQ(r.openKeyEx(kLm, "SOFTWARE", 0, reg::kKeyRead, software), reg::kSuccess);
    reg::HKey test = 0;
    ASSERT_EQ(r.openKeyEx(software, "Mero\\Test", 0, reg::kKeyRead, test), reg::kSuccess);
    size = 1024;
    EXPECT_EQ(r.queryValueEx(test, "V", type, buffer.data(), size), reg::kSuccess);
    r.closeKey(test);
    r.closeKey(software);

    r.removeKey(kLm, QStringLiteral("SOFTWARE\\Mero"));
    EXPECT_EQ(query(r, kKey, QStringLiteral("V")).status, reg::kFileNotFound);
    EXPECT_EQ(r.openCount(), r.closeCount());
    EXPECT_EQ(r.openHandleCount(), 0);
}

void makeExecutable(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(DesktopRegistry, NamesTheFirstInstalledToolAndLooksAgainEachTime)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList candidates = {QStringLiteral("first-tool"), QStringLiteral("second-tool")};
    DesktopRegistry r(candidates, {dir.path()});

    // Nothing installed: no entry at all.
    EXPECT_EQ(query(r, sysinfo::kPathKey, sysinfo::kPathValue, 1024, 0x2003F).status,
              reg::kFileNotFound);

    makeExecutable(dir.filePath(QStringLiteral("second-tool")));
    Query q = query(r, sysinfo::kPathKey, sysinfo::kPathValue, 1024, 0x2003F);
    ASSERT_EQ(q.status, reg::kSuccess) << "found once installed, without a new registry";
    EXPECT_EQ(q.type, reg::kRegSz);
    EXPECT_EQ(q.data, dir.filePath(QStringLiteral("second-tool")).toLocal8Bit() + '\0');

    makeExecutable(dir.filePath(QStringLiteral("first-tool")));
    q = query(r, sysinfo::kPathKey, sysinfo::kPathValue);
    EXPECT_EQ(q.data, dir.filePath(QStringLiteral("first-tool")).toLocal8Bit() + '\0')
        << "the earlier candidate wins";

    // A file that may not be run is no tool.
    QFile::remove(dir.filePath(QStringLiteral("first-tool")));
    QFile::remove(dir.filePath(QStringLiteral("second-tool")));
    QFile plain(dir.filePath(QStringLiteral("first-tool")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(query(r, sysinfo::kPathKey, sysinfo::kPathValue).status, reg::kFileNotFound);
    EXPECT_EQ(query(r, sysinfo::kLocationKey, sysinfo::kLocationValue).status, reg::kFileNotFound);
}

} // namespace
