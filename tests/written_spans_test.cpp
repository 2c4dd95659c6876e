#include "html/WrittenSpans.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quarlo {
namespace {

// The stretches as a plain list searched whole: what WrittenSpans must answer.
class PlainSpans {
public:
    bool contains(std::size_t position) const {
        for (const Span& span : m_spans)
            if (position == span.start ||
                (position > span.start && position < span.start + span.length))
                return true;
        return false;
    }
    void noteRewrite(std::size_t position, std::size_t oldLength, std::size_t newLength) {
        for (Span& span : m_spans)
            if (span.start > position)
                span.start = span.start + newLength - oldLength;
        m_spans.push_back({position, newLength});
    }

private:
    struct Span {
        std::size_t start;
        std::size_t length;
    };
    std::vector<Span> m_spans;
};

// Passes in the order the parse thread runs them: a link pass rewrites its values, a later
// pass meets the same values moved by its own rewrites and must pass them over.
TEST(WrittenSpans, LaterPassesSeeEarlierRewritesWhereTheyWereMoved) {
    WrittenSpans spans;
    // First pass: values at 10 (5 bytes) and 40 (6 bytes) become 9 and 3 bytes long.
    EXPECT_FALSE(spans.contains(10));
    spans.noteRewrite(10, 5, 9);
    EXPECT_FALSE(spans.contains(44));
    spans.noteRewrite(44, 6, 3);
    // Second pass: a value at 20 grows by 2, which moves the second stretch to 46.
    EXPECT_TRUE(spans.contains(10));
    EXPECT_TRUE(spans.contains(18));
    EXPECT_FALSE(spans.contains(19));
    spans.noteRewrite(20, 4, 6);
    EXPECT_FALSE(spans.contains(45));
    EXPECT_TRUE(spans.contains(46));
    EXPECT_TRUE(spans.contains(48));
    EXPECT_FALSE(spans.contains(49));
    // A third pass starts at the front again.
    EXPECT_TRUE(spans.contains(20));
    EXPECT_TRUE(spans.contains(25));
    EXPECT_FALSE(spans.contains(26));
}

// Random runs of passes, each looking up rising positions and rewriting some of them, with
// values that grow, shrink, hold the start of a written stretch, or shrink so far that a
// stretch ahead would fall below position 0.
TEST(WrittenSpans, AnswersAsAListSearchedWholeWould) {
    std::mt19937 random(5);
    const auto number = [&](int below) {
        return static_cast<std::size_t>(random() % static_cast<unsigned>(below));
    };
    for (int run = 0; run < 3000; ++run) {
        WrittenSpans spans;
        PlainSpans plain;
        std::string steps;
        const std::size_t pageSize = 20 + number(400);
        for (int passes = 1 + static_cast<int>(number(6)); passes > 0; --passes) {
            std::size_t position = 1 + number(5);
            while (position < pageSize) {
                steps += " ?" + std::to_string(position);
                const bool written = plain.contains(position);
                ASSERT_EQ(spans.contains(position), written) << steps;
                if (!written && number(3) != 0) {
                    const std::size_t oldLength = number(4) == 0 ? number(60) : number(8);
                    const std::size_t newLength = number(5) == 0 ? 0 : 1 + number(12);
                    steps += " w" + std::to_string(oldLength) + ">" + std::to_string(newLength);
                    plain.noteRewrite(position, oldLength, newLength);
                    spans.noteRewrite(position, oldLength, newLength);
                    position += newLength;
                }
                position += number(4) == 0 ? 0 : number(20);
            }
        }
    }
}

} // namespace
} // namespace quarlo
