#include "html/FileTypes.h"

#include "platform/SettingsStore.h"
#include "support/FileTypesFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

class FileTypesTest : public test::FileTypesFixture {};

TEST_F(FileTypesTest, DefaultTableHoldsTheCategoriesInOrder) {
    importShippedTable();
    const auto categories = m_types.categories();
    std::vector<std::string> names;
    for (const auto& category : categories) {
        names.push_back(category.name);
        EXPECT_TRUE(category.extensions.ends_with(";")) << category.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"HTML", "Images", "Scripts and Styles", "Audio",
                                               "Video", "Archives", "Documents", "Java", "Flash"}));
    EXPECT_EQ(splitExtensions(categories[0].extensions),
              (std::vector<std::string>{".htm", ".html", ".shtm", ".shtml", ".asp", ".aspx", ".php",
                                        ".jsp", ".cfm", ".phtml", ".sml"}));
    EXPECT_TRUE(categories[1].extensions.starts_with(".gif;.jpg;.jpeg;"));
    EXPECT_EQ(m_types.serverPageExtensions(),
              (std::vector<std::string>{".shtm", ".shtml", ".asp", ".aspx", ".php", ".jsp", ".cfm",
                                        ".phtml", ".sml"}));
}

TEST_F(FileTypesTest, CategoryOfAUrl) {
    importShippedTable();
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/", "HTML"},
        {"http://h/dir", "HTML"},
        {"http://h/x.cgi?a=1", "HTML"},
        {"http://h/x.php", "HTML"},
        {"http://h/p?img=gif", "Images"},
        {"http://h/p?img=jpg", "Images"},
        {"http://h/img.cgi?name=a.gif", "Images"},
        {"http://h/A.GIF", "Images"},
        {"http://h/s.js", "Scripts and Styles"},
        {"http://h/a.zip", "Archives"},
        {"http://h/a.pdf", "Documents"},
        {"http://h/a.qqq", "Unknown"},
        // A query makes a page of a page, unknown or missing extension only.
        {"http://h/a.css?v=3", "Scripts and Styles"},
        {"http://h/x.PNG?w=200", "Images"},
        {"http://h/v.mp4?t=1#x", "Video"},
        {"http://h/a.css?img=gif", "Scripts and Styles"},
        {"http://h/x.php?f=a.css", "HTML"},
        {"http://h/a.qqq?v=1", "HTML"},
        {"http://h/dir/?v=1.css", "HTML"},
    };
    for (const auto& [url, category] : cases) {
        EXPECT_EQ(m_types.URLFileType(url), category) << url;
    }
    EXPECT_EQ(m_types.keptExtension("http://h/x.PNG?w=200"), ".PNG");
    EXPECT_EQ(m_types.keptExtension("http://h/x.png"), "");
    EXPECT_EQ(m_types.keptExtension("http://h/x.asp?w=200"), "");
}

TEST_F(FileTypesTest, FirstCategoryWhoseDataHoldsTheExtensionWins) {
    // The test is a substring test in key order: ".gz;" is found inside ".tar.gz;".
    ASSERT_TRUE(m_types.writeCategory("Tarballs", ".tar.gz;").ok());
    ASSERT_TRUE(m_types.writeCategory("HTML", ".htm;.html;").ok());
    ASSERT_TRUE(m_types.writeCategory("Compressed", ".gz;").ok());
    EXPECT_EQ(m_types.URLFileType("http://h/a.gz"), "Tarballs");
    EXPECT_EQ(m_types.URLFileType("http://h/a.htm"), "HTML");
    EXPECT_EQ(m_types.URLFileType("http://h/a.zip"), "Unknown");
    // A change applies to the next call.
    ASSERT_TRUE(m_types.writeCategory("Archives", ".zip").ok());
    EXPECT_EQ(m_types.URLFileType("http://h/a.zip"), "Archives");
}

TEST_F(FileTypesTest, CategoryOfAFileName) {
    importShippedTable();
    EXPECT_EQ(m_types.FileTypeOfName("site/a/PIC.JPG"), "Images");
    EXPECT_EQ(m_types.FileTypeOfName("page.htm"), "HTML");
    EXPECT_EQ(m_types.FileTypeOfName("x.qqq"), "");
    // Without an extension a name has no category (";" alone would match the first one).
    EXPECT_EQ(m_types.FileTypeOfName("README"), "");
    EXPECT_EQ(m_types.FileTypeOfName("a.b/README"), "");
    EXPECT_EQ(m_types.FileTypeOfName("trailing."), "");
}

TEST_F(FileTypesTest, MissingTableAndValuesOfOtherTypes) {
    EXPECT_EQ(m_types.URLFileType("http://h/"), "Unknown");
    EXPECT_EQ(m_types.FileTypeOfName("a.html"), "");
    EXPECT_TRUE(m_types.categories().empty());
    EXPECT_EQ(m_types.serverPageExtensions(),
              (std::vector<std::string>{".asp", ".shtml", ".phtml", ".sml"}));

    // A number in the table is passed over, even when it comes first.
    ASSERT_TRUE(m_store.writeInt(kFileTypesKey, "Numbers", 7));
    importShippedTable();
    EXPECT_EQ(m_types.categories().front().name, "HTML");
    EXPECT_EQ(m_types.URLFileType("http://h/"), "HTML");
}

TEST_F(FileTypesTest, DialogWritesCategories) {
    ASSERT_TRUE(m_types.writeCategory("Sound", ".mp3;.wav").ok());
    EXPECT_EQ(m_types.extensionsOf("Sound"), ".mp3;.wav;");
    EXPECT_EQ(m_types.extensionsOf("SOUND"), ".mp3;.wav;");
    ASSERT_TRUE(m_types.writeCategory("Empty", "").ok());
    EXPECT_EQ(m_types.categories().back().name, "Empty");
    EXPECT_EQ(m_types.extensionsOf("Empty"), "");
    EXPECT_EQ(m_types.extensionsOf("Missing"), "");

    EXPECT_FALSE(m_types.writeCategory("", ".x;").ok());
    EXPECT_FALSE(m_types.writeCategory("Two\nLines", ".x;").ok());
    EXPECT_FALSE(m_types.writeCategory("Ok", ".x;\n.y;").ok());
    EXPECT_EQ(m_types.categories().size(), 2u);
}

TEST_F(FileTypesTest, DialogDeletesWhatIsNotProtected) {
    importShippedTable();
    for (const char* name : {"HTML", "Images", "images"}) {
        EXPECT_FALSE(m_types.deleteCategory(name).ok()) << name;
    }
    for (const char* ext : {".htm", ".html", ".shtm", ".shtml", ".asp", ".gif", ".jpg", ".JPEG"}) {
        EXPECT_TRUE(FileTypes::isProtectedExtension(ext)) << ext;
        EXPECT_FALSE(m_types.deleteExtension("HTML", ext).ok()) << ext;
    }
    EXPECT_FALSE(FileTypes::isProtectedExtension(".png"));
    EXPECT_FALSE(FileTypes::isProtectedCategory("Audio"));

    EXPECT_TRUE(m_types.deleteCategory("Flash").ok());
    EXPECT_EQ(m_types.categories().back().name, "Java");
    EXPECT_FALSE(m_types.deleteCategory("Flash").ok());

    EXPECT_TRUE(m_types.deleteExtension("Images", ".png").ok());
    EXPECT_EQ(m_types.extensionsOf("Images"), ".gif;.jpg;.jpeg;.webp;.svg;.ico;.bmp;");

    // Only the whole extension goes, with its ";".
    ASSERT_TRUE(m_types.writeCategory("Mixed", ".xjs;.js;.JS2;").ok());
    EXPECT_TRUE(m_types.deleteExtension("Mixed", ".JS").ok());
    EXPECT_EQ(m_types.extensionsOf("Mixed"), ".xjs;.JS2;");
    EXPECT_FALSE(m_types.deleteExtension("Mixed", ".js").ok());
}

TEST(FileTypeListsTest, SplitKeepsOnlyTerminatedExtensions) {
    EXPECT_EQ(splitExtensions(".a;.b;rest"), (std::vector<std::string>{".a", ".b"}));
    EXPECT_EQ(splitExtensions(""), std::vector<std::string>{});
    EXPECT_EQ(splitExtensions(";"), std::vector<std::string>{""});
}

} // namespace
} // namespace quarlo

namespace quarlo {
namespace {

TEST(FileTypesSnapshotTest, WritesThroughTheStoreApplyAtOnceAndOtherStoresToNewObjects) {
    test::TempDir dir;
    SettingsStore mine(dir.path() + "settings.reg");
    SettingsStore other(dir.path() + "settings.reg");
    const FileTypes types(mine);
    EXPECT_EQ(types.URLFileType("http://h/a.foo"), "Unknown");
    ASSERT_TRUE(mine.writeText(kFileTypesKey, "Foo", ".foo;"));
    EXPECT_EQ(types.URLFileType("http://h/a.foo"), "Foo");
    ASSERT_TRUE(other.writeText(kFileTypesKey, "Bar", ".bar;"));
    EXPECT_EQ(FileTypes(mine).URLFileType("http://h/a.bar"), "Bar");
}

} // namespace
} // namespace quarlo
