#include "support/FileTypesFixture.h"

namespace quarlo::test {

void FileTypesFixture::importShippedTable() {
    ASSERT_TRUE(m_store.importRegFile(QUARLO_TEST_DATA "/../../data/FTypes.reg").ok());
}

} // namespace quarlo::test
