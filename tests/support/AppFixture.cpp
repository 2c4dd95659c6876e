#include "support/AppFixture.h"

#include "platform/FileUtil.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace quarlo::test {

namespace {

const char* const kSmallFileTypes =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Bristane\\Quarlo\\File Types]\r\n"
    "\"HTML\"=\".htm;.html;.shtm;.shtml;.asp;\"\r\n"
    "\"Images\"=\".gif;.jpg;.jpeg;\"\r\n";

} // namespace

AppFixture::AppFixture() {
    // QUARLO_TEST_DATA is tests/data, which need not exist: normalise before walking "..".
    const fs::path shipped = fs::path(QUARLO_TEST_DATA "/../../data").lexically_normal();
    std::error_code ec;
    if (fs::is_directory(shipped, ec))
        fs::copy(shipped, m_resources.path(), fs::copy_options::recursive, ec);
    if (!fileExists(m_resources.path() + "FTypes.reg"))
        writeWholeFile(m_resources.path() + "FTypes.reg", kSmallFileTypes);
    fs::create_directories(m_resources.path() + "Skins/Default", ec);
}

Folders AppFixture::folders() const {
    Folders where = locateFolders();
    where.resourceFolder = m_resources.path();
    return where;
}

std::unique_ptr<TQLApp> AppFixture::makeApp(const Folders& where) {
    auto created = TQLApp::create(where);
    EXPECT_TRUE(created.ok()) << created.message();
    return created.ok() ? std::move(created.value()) : nullptr;
}

void SetUpAppFixture::SetUp() {
    app = makeApp();
    ASSERT_TRUE(app);
    ASSERT_TRUE(app->firstRunSetup().ok());
    app->setHooks(&hooks);
}

} // namespace quarlo::test
