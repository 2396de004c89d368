// SPDX-License-Identifier: MIT
// Inputs the fuzz targets (fuzz/) found, each kept as a regression test with
// the reader it broke.
#include "filelookup.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

// A "*" in the pattern met a "*" in a file name and was taken as a literal
// character, so "star*" did not find "star*.mid" (fuzz_filelookup).
TEST(FuzzFindings, StarInANameDoesNotUseUpTheWildcard)
{
    QTemporaryDir dir;
    for (const char* name : {"star*.mid", "a*xb.wav"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(findFirstFile(dir.filePath("star*")), QStringLiteral("star*.mid"));
    EXPECT_EQ(findFirstFile(dir.filePath("star*.mid")), QStringLiteral("star*.mid"));
    EXPECT_EQ(findFirstFile(dir.filePath("a*b.wav")), QStringLiteral("a*xb.wav"));
    EXPECT_EQ(findFirstFile(dir.filePath("*x*")), QStringLiteral("a*xb.wav"));
    EXPECT_EQ(findFirstFile(dir.filePath("star?*")), QStringLiteral("star*.mid"));
}

} // namespace
