#include "archive/ZipRecovery.h"

#include "engine/Queue.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "support/QueueFixture.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quarlo {
namespace {

class ZipRecoveryTest : public test::QueueFixture {
protected:
    void SetUp() override {
        QueueFixture::SetUp();
        m_task->setIntranetMode(false);
        m_temp = withTrailingSlash(m_app->tempFolder());
    }
    std::string entryName(const std::string& url) {
        TQLQItem item;
        item.Task = m_task.get();
        item.URL = url;
        return LocalName(item).substr(m_temp.size());
    }
    std::string m_temp;
};

// Every entry of a Zip-mode task is accounted for against the Temp folder and the archive.
TEST_F(ZipRecoveryTest, EveryEntryIsZippedParsedOrFetchedAgain) {
    enum Where { Nowhere, Temp, Archive, Both, BothButOlderEntry };
    const struct {
        const char* name;
        bool page;
        QueueStatus status;
        Where where;
        bool zipped; // joins the zip list
        QueueStatus statusAfter;
    } cases[] = {
        {"saved.gif", false, QueueStatus::Saved, Temp, true, QueueStatus::Saved},
        {"zipped.gif", false, QueueStatus::Saved, Both, false, QueueStatus::Saved},
        {"changed.gif", false, QueueStatus::Saved, BothButOlderEntry, true, QueueStatus::Saved},
        {"archived.gif", false, QueueStatus::Saved, Archive, false, QueueStatus::Saved},
        {"lost.gif", false, QueueStatus::Saved, Nowhere, false, QueueStatus::None},
        {"parsed.html", true, QueueStatus::Parsed, Temp, true, QueueStatus::Parsed},
        {"lost.html", true, QueueStatus::Parsed, Nowhere, false, QueueStatus::None},
        {"waiting.html", true, QueueStatus::Saved, Temp, false, QueueStatus::Saved},
        {"gone.html", true, QueueStatus::Saved, Archive, false, QueueStatus::None},
        {"failed.gif", false, QueueStatus::Error, Nowhere, false, QueueStatus::Error},
        {"new.gif", false, QueueStatus::None, Nowhere, false, QueueStatus::None},
    };
    std::map<std::string, ZipEntryInfo> archive;
    for (const auto& c : cases) {
        const std::string url =
            addEntry(*m_task, std::string("http://h.test/") + c.name, c.page, c.status);
        const std::string name = entryName(url);
        if (c.where == Temp || c.where == Both || c.where == BothButOlderEntry)
            test::makeFile(m_temp + name, "content", 1700000000);
        ZipEntryInfo entry;
        entry.name = name;
        entry.size = 7;
        entry.modified = c.where == BothButOlderEntry ? 1600000000 : 1700000000;
        if (c.where != Temp && c.where != Nowhere)
            archive[name] = entry;
    }
    m_task->counters() = {4, 7, 4, 5, 0, 1, 0};

    const ZipAccount account =
        accountForZipEntries(*m_task, archive, m_temp, ZipEntryMatch::SameFile);
    EXPECT_EQ(account.toZip, 3u);
    EXPECT_EQ(account.fetchAgain, 3u);
    std::set<std::string> zipList;
    for (const ZipListEntry& pair : m_task->zipList()) {
        zipList.insert(pair.localName.substr(m_temp.size()));
        EXPECT_EQ(pair.item->URL, "http://h.test/" + fileNameOf(pair.localName));
    }
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        SCOPED_TRACE(cases[n].name);
        auto item = LoadItem(*m_task, n);
        EXPECT_EQ(item->Status, cases[n].statusAfter);
        EXPECT_EQ(zipList.count(entryName(item->URL)), cases[n].zipped ? 1u : 0u);
        if (cases[n].statusAfter != cases[n].status) {
            EXPECT_EQ(item->Message, "Transfer Incomplete");
        }
    }
    // The entries fetched again are no longer counted as saved.
    EXPECT_EQ(m_task->counters().PagesSaved, 4 - 2);
    EXPECT_EQ(m_task->counters().ResourcesSaved, 5 - 1);

    // What this run committed stands for its file whatever its time: only the files the
    // archive lacks by name are zipped again.
    m_task->zipList().clear();
    const ZipAccount check = accountForZipEntries(*m_task, archive, m_temp, ZipEntryMatch::Name);
    EXPECT_EQ(check.toZip, 2u);
    EXPECT_EQ(check.fetchAgain, 0u);
}

TEST_F(ZipRecoveryTest, AnArchiveThatCannotBeReadIsNotTakenForAnEmptyOne) {
    auto missing = archiveEntriesOnDisk(m_temp + "none.zip");
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->empty());
    test::makeFile(m_temp + "bad.zip", "not an archive");
    auto bad = archiveEntriesOnDisk(m_temp + "bad.zip");
    EXPECT_FALSE(bad);
    EXPECT_NE(bad.message().find("corrupted"), std::string::npos) << bad.message();
    ASSERT_TRUE(test::craftZip(m_temp + "good.zip", {{"a/b.txt", "x"}, {"c.txt", "yz"}}));
    auto good = archiveEntriesOnDisk(m_temp + "good.zip");
    ASSERT_TRUE(good);
    EXPECT_EQ(good->size(), 2u);
    EXPECT_EQ(good->at("c.txt").size, 2);
}

} // namespace
} // namespace quarlo
