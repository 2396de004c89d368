// SPDX-License-Identifier: MIT
// Things the soak run found growing, each checked here on its own in a
// fraction of a second: the heap after many repetitions stays where it was
// after the first few.
#include "controlbar.h"
#include "workbudget.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <malloc.h>

namespace
{

// Bytes in use on the C heap; meaningless under AddressSanitizer's allocator.
qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

// Every play/pause change made three new icons, whose pixmaps stayed in Qt's
// pixmap cache under new keys: some 4 KB per change, a file opened was one.
TEST(HeapGrowth, PlayStateChangesReuseTheControlBarIcons)
{
    if (kAddressSanitized)
        GTEST_SKIP() << "the sanitizer's allocator keeps its own books";
    ControlBar bar;
    bar.resize(400, 40);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    const auto flip = [&](int times) {
        for (int i = 0; i < times; ++i) {
            bar.setPlayState(i % 2 ? PlayState::Playing : PlayState::Stopped);
            bar.setMuted(i % 3 == 0);
            QCoreApplication::processEvents();
        }
    };
    flip(100);
    const qint64 before = heapInUse();
    flip(2000);
    // Without the reuse: some 9 MB.
    EXPECT_LT(heapInUse() - before, 256 * 1024);
}

} // namespace
