#include "engine/ConnectionRows.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

std::string segments(int count) {
    std::string bar;
    for (int i = 0; i < count; ++i)
        bar += kProgressSegment;
    return bar;
}

TEST(ConnectionRows, ProgressColumnBySizeAndBytes) {
    struct Case {
        int64_t received;
        int64_t size;
        std::string progress;
        int percent;
    };
    const Case cases[] = {
        {0, 0, "  ?", -1},                      // size unknown
        {5000, 0, "  ?", -1},                   // bytes arrive, size still unknown
        {0, 1000, "  0%", 0},                   // nothing yet: no segment
        {450, 1000, segments(4) + "  45%", 45}, // a partial tenth gives no segment
        {94, 1000, "  9%", 9},                  // 9.4 % rounds down: no segment
        {95, 1000, segments(1) + "  10%", 10},  // 9.5 % rounds up to a full tenth
        {1, 3, segments(3) + "  33%", 33},      // rounded, not truncated up
        {2, 3, segments(6) + "  67%", 67},      // 66.7 % rounds up; six full tenths
        {1000, 1000, segments(10) + "  100%", 100},
        {1500, 1000, segments(10) + "  100%", 100}, // more than announced stays one full bar
    };
    for (const Case& c : cases) {
        SocketList::SlotView slot{"http://h/f", "Downloading...", c.size, c.received, "", ""};
        const auto row = connectionRow(slot);
        ASSERT_TRUE(row.has_value());
        EXPECT_EQ(row->progress, c.progress) << c.received << " of " << c.size;
        EXPECT_EQ(row->percent, c.percent) << c.received << " of " << c.size;
    }
}

TEST(ConnectionRows, BusySlotFillsEveryColumnAndIdleSlotLeavesItsRow) {
    const auto row = connectionRow({"http://h/a.zip", "Downloading...", 2048, 512, "200 OK", ""});
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(*row, (ConnectionRow{"http://h/a.zip", segments(2) + "  25%", "512", "2048",
                                   "Downloading...", 25}));

    EXPECT_FALSE(connectionRow({"", "Transfer Complete", 2048, 2048, "200 OK", ""}).has_value());

    // A failed transfer's row says why rather than just "Error".
    const std::string why = "12007: [12007] Internet Name Not Resolved.";
    EXPECT_EQ(connectionRow({"http://x.invalid/", "Error", 0, 0, "", why})->status, why);

    EXPECT_EQ(idleSlotCaption(0), "Socket 1: ");
    EXPECT_EQ(idleSlotCaption(15), "Socket 16: ");
}

} // namespace
} // namespace quarlo
