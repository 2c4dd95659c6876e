#include "model/QueueJournal.h"
#include "platform/FileUtil.h"
#include "platform/WriteFault.h"
#include "support/TempHome.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace quarlo;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

namespace {

QueueJournal::Record record(int n) {
    QueueJournal::Record r;
    r.kind = 'A';
    r.url = "http://h.test/" + std::to_string(n);
    r.data = "0\xC2\xB6\xC2\xB6";
    r.counters.PagesFound = n;
    return r;
}

// A journal that cannot be written keeps an unbroken run of changes: the failed record is
// cut off again and later ones are refused, so a reload never applies a change without the
// ones before it. One that a fresh run started over an empty queue gives way to the queue
// file beside it, which a load then finds as it was rather than a part of the new queue.
TEST(QueueJournalFailure, KeepsAnUnbrokenRunOfChangesAndNeverShortensTheQueue) {
    const struct {
        bool fromEmpty;
        bool queueFile;
        std::size_t replayed; // records a reload finds
        bool found;
    } cases[] = {
        {false, true, 2, true},
        {true, false, 2, true},
        {true, true, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "from empty " << c.fromEmpty << ", queue file " << c.queueFile);
        TempDir dir;
        const std::string queue = dir.path() + "t.dwn";
        if (c.queueFile)
            writeWholeFile(queue, "http://h.test/old\r\n0\xC2\xB6\r\n");
        const std::optional<std::string> content = readFile(queue);
        QueueJournal journal;
        journal.setPath(queue + ".journal");
        if (c.fromEmpty)
            journal.startFromEmpty();
        else
            journal.startFromContent(*content);
        EXPECT_TRUE(journal.write(record(1)));
        journal.beginBatch();
        EXPECT_TRUE(journal.write(record(2)));
        EXPECT_TRUE(journal.endBatch());
        ASSERT_TRUE(armWriteFault("1:ENOSPC:1"));
        EXPECT_FALSE(journal.write(record(3)));
        EXPECT_EQ(journal.failure(),
                  "Unable to write to " + queue + ".journal: No space left on device");
        EXPECT_FALSE(journal.write(record(4))) << "the disk has room again, but 3 is missing";
        EXPECT_EQ(writesCounted(), 1u);
        disarmWriteFault();

        QueueJournal reader;
        reader.setPath(queue + ".journal");
        const QueueJournal::Replay replay = reader.read(content);
        EXPECT_EQ(replay.found, c.found);
        EXPECT_FALSE(replay.torn);
        ASSERT_EQ(replay.records.size(), c.replayed);
        if (c.replayed > 0) {
            EXPECT_EQ(replay.records.back().url, record(2).url);
        }

        // A new start (after the queue was saved) takes changes again.
        journal.startFromContent("saved");
        EXPECT_TRUE(journal.failure().empty());
        EXPECT_TRUE(journal.write(record(5)));
    }
}

// Files are not flushed one by one, so after a power cut a record may have reached the disk
// without the file it marks as saved: a journal is only replayed in the boot that wrote it,
// and one of another boot gives way to the last saved queue.
TEST(QueueJournalReplay, OnlyAJournalOfThisBootIsReplayed) {
    TempDir dir;
    const std::string queue = dir.path() + "t.dwn";
    writeWholeFile(queue, "http://h.test/old\r\n0\xC2\xB6\r\n");
    const std::optional<std::string> content = readFile(queue);
    {
        QueueJournal journal;
        journal.setPath(queue + ".journal");
        journal.startFromContent(*content);
        ASSERT_TRUE(journal.write(record(1)));
        ASSERT_TRUE(journal.write(record(2)));
    }
    const std::string written = *readFile(queue + ".journal");
    QueueJournal same;
    same.setPath(queue + ".journal");
    const QueueJournal::Replay replay = same.read(content);
    EXPECT_TRUE(replay.applies);
    EXPECT_EQ(replay.records.size(), 2u);

    const std::size_t at = written.find("boot ");
    ASSERT_NE(at, std::string::npos);
    std::string otherBoot = written;
    otherBoot[at + 5] = otherBoot[at + 5] == '0' ? '1' : '0';
    writeWholeFile(queue + ".journal", otherBoot);
    QueueJournal later;
    later.setPath(queue + ".journal");
    const QueueJournal::Replay stale = later.read(content);
    EXPECT_TRUE(stale.found);
    EXPECT_FALSE(stale.applies);
    EXPECT_TRUE(stale.records.empty());
    // The next change starts a journal of this boot over the saved queue.
    ASSERT_TRUE(later.write(record(3)));
    QueueJournal again;
    again.setPath(queue + ".journal");
    const QueueJournal::Replay fresh = again.read(content);
    EXPECT_TRUE(fresh.applies);
    ASSERT_EQ(fresh.records.size(), 1u);
    EXPECT_EQ(fresh.records[0].url, record(3).url);
}

// Journals written before records were checked eight bytes a step still replay, and a run
// that goes on with one keeps writing in its format, so a second kill loses nothing either.
TEST(QueueJournalReplay, AJournalOfTheEarlierFormatIsReplayedAndContinued) {
    TempDir dir;
    const std::string queue = dir.path() + "t.dwn";
    writeWholeFile(queue, "http://h.test/old\r\n0\xC2\xB6\r\n");
    const std::string content = *readFile(queue);
    std::string boot = readFile("/proc/sys/kernel/random/boot_id").value_or("unknown");
    while (!boot.empty() && boot.back() == '\n')
        boot.pop_back();
    char base[17];
    std::snprintf(base, sizeof base, "%016llx", static_cast<unsigned long long>(fnv1a64(content)));
    const std::string url = "http://h.test/1", data = "0\xC2\xB6\xC2\xB6";
    const std::string head = "A 15 5 1 0 0 0 0 0 0";
    char check[17];
    std::snprintf(check, sizeof check, "%016llx",
                  static_cast<unsigned long long>(fnv1a64(data, fnv1a64(url, fnv1a64(head)))));
    const std::string earlier = "QUARLO-QUEUE-JOURNAL 1 boot " + boot + " file " +
                                std::to_string(content.size()) + ' ' + base + '\n' + head + ' ' +
                                check + '\n' + url + data + '\n';
    writeWholeFile(queue + ".journal", earlier + "A 15 5 1 0 0 0 0 0 0 00000000000");

    QueueJournal journal;
    journal.setPath(queue + ".journal");
    const QueueJournal::Replay replay = journal.read(content);
    EXPECT_TRUE(replay.applies);
    EXPECT_TRUE(replay.torn);
    ASSERT_EQ(replay.records.size(), 1u);
    EXPECT_EQ(replay.records[0].url, url);
    EXPECT_EQ(replay.records[0].counters.PagesFound, 1);
    ASSERT_TRUE(journal.write(record(2)));

    QueueJournal again;
    again.setPath(queue + ".journal");
    const QueueJournal::Replay continued = again.read(content);
    EXPECT_TRUE(continued.applies);
    EXPECT_FALSE(continued.torn);
    ASSERT_EQ(continued.records.size(), 2u);
    EXPECT_EQ(continued.records[1].url, record(2).url);
    // A save starts a journal of today's format.
    again.startFromContent(content);
    ASSERT_TRUE(again.write(record(3)));
    EXPECT_TRUE(readFile(queue + ".journal")->starts_with("QUARLO-QUEUE-JOURNAL 2 "));
}

// Every byte counts, whole words and the tail alike, and so do the lengths.
TEST(QueueJournalChecksum, ChangesWithAnyByteAndWithTheLength) {
    const std::string text = "A 15 6 1 0 0 0 0 0 0 http://h.test/page";
    const std::uint64_t sum = checksum64(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string changed = text;
        changed[i] ^= 0x01;
        EXPECT_NE(checksum64(changed), sum) << "byte " << i;
    }
    EXPECT_NE(checksum64(text + std::string(1, '\0')), sum);
    EXPECT_NE(checksum64(text.substr(0, 8)), checksum64(text.substr(0, 8) + std::string(8, '\0')));
    EXPECT_NE(checksum64("", 1), checksum64("", 2));
}

} // namespace
