#include "model/QueueStates.h"
#include "model/TQLApp.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"
#include "model/TaskStates.h"
#include "platform/IniFile.h"
#include "support/AppFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace quarlo {
namespace {

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
const std::string kSep = "\xC2\xB6";

TEST(TaskStatesTest, StatusNumbersConvertBothWaysAndUnknownOnesAreKept) {
    struct Case {
        std::int32_t value;
        std::optional<TaskStatus> named; // nothing: not a status this program knows
        const char* text;
    };
    const Case cases[] = {
        {0, TaskStatus::Unscheduled, "Unscheduled"},
        {1, TaskStatus::Scheduled, "Scheduled"},
        {2, TaskStatus::Downloading, "Downloading..."},
        {3, TaskStatus::DownloadStopped, "Download Stopped"},
        {4, TaskStatus::Incomplete, "Incomplete"},
        {5, TaskStatus::DownloadComplete, "Download Complete"},
        {6, TaskStatus::Zipped, "Zipped!"},
        {7, TaskStatus::TaskComplete, "Task Complete"},
        {8, TaskStatus::Deleted, "Deleted"},
        {9, std::nullopt, "Unknown"},
        {-1, std::nullopt, "Unknown"},
        {kInt32Min, std::nullopt, "Unknown"},
        {kInt32Max, std::nullopt, "Unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const TaskStatus status = taskStatusFromIniValue(c.value);
        EXPECT_EQ(toIniValue(status), c.value);
        EXPECT_EQ(isKnownStatus(status), c.named.has_value());
        if (c.named) {
            EXPECT_TRUE(status == *c.named);
        }
        EXPECT_EQ(TQLTask::statusText(status), c.text);
    }
}

TEST(TaskStatesTest, RunMethodNumbersConvertBothWaysAndOthersAreRefused) {
    struct Case {
        std::int64_t value;
        std::optional<RunMethod> method;
    };
    const Case cases[] = {
        {0, RunMethod::Restart},
        {1, RunMethod::Resume},
        {2, RunMethod::SmartUpdate},
        {3, RunMethod::SmartRecovery},
        {4, RunMethod::Map},
        {5, std::nullopt},
        {-1, std::nullopt},
        {77, std::nullopt},
        {std::int64_t{1} << 32, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const std::optional<RunMethod> method = runMethodFromIniValue(c.value);
        ASSERT_EQ(method.has_value(), c.method.has_value());
        if (method) {
            EXPECT_TRUE(*method == *c.method);
            EXPECT_EQ(toIniValue(*method), c.value);
        }
    }
}

TEST(QueueStatesTest, QueueNumbersConvertBothWaysWithinTheirRanges) {
    for (std::int64_t value = -2; value <= 13; ++value) {
        SCOPED_TRACE(value);
        const std::optional<QueueStatus> status = queueStatusFromValue(value);
        ASSERT_EQ(status.has_value(), value >= 0 && value <= 11);
        if (status) {
            EXPECT_EQ(toQueueValue(*status), value);
        }
        const std::optional<QueueMode> mode = queueModeFromValue(value);
        ASSERT_EQ(mode.has_value(), value >= 0 && value <= 3);
        if (mode) {
            EXPECT_EQ(toQueueValue(*mode), value);
        }
    }
    EXPECT_TRUE(queueStatusFromValue(5) == QueueStatus::Saved);
    EXPECT_TRUE(queueStatusFromValue(11) == QueueStatus::Zipped);
    EXPECT_TRUE(queueModeFromValue(0) == QueueMode::Unmarked);
    EXPECT_TRUE(queueModeFromValue(3) == QueueMode::Update);
}

// The status and mode fields of a data line: what the loader reads and whether it repairs.
TEST(QueueStatesTest, DataLineStatesReadAsNamedStatesOrAreRepaired) {
    struct Case {
        const char* status;
        const char* mode;
        QueueStatus readStatus;
        QueueMode readMode;
        int repairs;
    };
    const Case cases[] = {
        {"0", "0", QueueStatus::None, QueueMode::Unmarked, 0},
        {"3", "2", QueueStatus::Error, QueueMode::Map, 0},
        {"11", "3", QueueStatus::Zipped, QueueMode::Update, 0},
        {"5", "", QueueStatus::Saved, QueueMode::Download, 0}, // an empty mode is Download
        {"12", "4", QueueStatus::None, QueueMode::Download, 2},
        {"-1", "-1", QueueStatus::None, QueueMode::Download, 2},
        {"", "1", QueueStatus::None, QueueMode::Download, 1}, // an empty status is damage
        {"99999999999999999999", "2", QueueStatus::None, QueueMode::Map, 1},
        {" 5", "3 ", QueueStatus::None, QueueMode::Download, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.status) + " / " + c.mode);
        const std::string line = std::string(c.status) + kSep + kSep + "HTML" + kSep + kSep + "1" +
                                 kSep + kSep + kSep + c.mode + kSep + kSep + kSep + kSep;
        TQLQItem item;
        EXPECT_EQ(readDataLine(line, item), c.repairs);
        EXPECT_TRUE(item.Status == c.readStatus) << toQueueValue(item.Status);
        EXPECT_TRUE(item.Mode == c.readMode) << toQueueValue(item.Mode);
        const DataLineClass cls = classifyDataLine(line);
        EXPECT_TRUE(cls.status == c.readStatus && cls.mode == c.readMode);
        // Written again, the line holds the numbers of the states read.
        const std::string written = buildDataLine(item);
        const auto fields = splitDataLine(written);
        EXPECT_EQ(fields[0], std::to_string(toQueueValue(c.readStatus)));
        EXPECT_EQ(fields[7], std::to_string(toQueueValue(c.readMode)));
    }
}

class TaskFileStatesTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
    }

    std::unique_ptr<TQLTask> loadWith(const std::string& status, const std::string& method) {
        const std::string path = m_app->tasksFolder() + "General/states.qlt";
        test::writeWholeFile(path, "[Task]\r\nTask Name=states\r\nURL=http://h.test/\r\nStatus=" +
                                       status + "\r\nRun Method=" + method + "\r\n");
        return TQLTask::loadFromFile(*m_app, path);
    }

    bool unreadable(const TQLTask& task, const std::string& key) const {
        const auto& keys = task.unreadableKeys();
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    }

    std::unique_ptr<TQLApp> m_app;
};

TEST_F(TaskFileStatesTest, TaskFilesKeepUnknownStatusesAndRefuseUnknownRunMethods) {
    struct Case {
        std::string status;
        std::string method;
        std::int32_t statusRead;
        bool statusRefused;
        RunMethod methodRead;
        bool methodRefused;
    };
    const Case cases[] = {
        {"6", "2", 6, false, RunMethod::SmartUpdate, false},
        {"3", "4", 3, false, RunMethod::Map, false},
        {"42", "5", 42, false, RunMethod::Restart, true},
        {"-7", "-1", -7, false, RunMethod::Restart, true},
        {"2147483648", "2147483648", 0, true, RunMethod::Restart, true},
        {"", "", 0, false, RunMethod::Restart, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status + " / " + c.method);
        auto task = loadWith(c.status, c.method);
        EXPECT_EQ(toIniValue(task->status()), c.statusRead);
        EXPECT_EQ(unreadable(*task, "Status"), c.statusRefused);
        EXPECT_TRUE(task->runMethod() == c.methodRead) << toIniValue(task->runMethod());
        EXPECT_EQ(unreadable(*task, "Run Method"), c.methodRefused);
        // Saved, the file holds the numbers as they were read.
        ASSERT_TRUE(task->save());
        const IniFile saved(task->filePath());
        EXPECT_EQ(saved.readString("Task", "Status"), std::to_string(c.statusRead));
        EXPECT_EQ(saved.readString("Task", "Run Method"), std::to_string(toIniValue(c.methodRead)));
    }
}

} // namespace
} // namespace quarlo
