#pragma once

#include "html/FileTypes.h"
#include "platform/SettingsStore.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace quarlo::test {

// A file-type table kept in a settings file of the test's own, empty until filled.
class FileTypesFixture : public ::testing::Test {
protected:
    // Fills the table from the one the program ships.
    void importShippedTable();

    TempDir m_dir;
    SettingsStore m_store{m_dir.path() + "settings.reg"};
    FileTypes m_types{m_store};
};

} // namespace quarlo::test
