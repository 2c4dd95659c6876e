#include "html/FileTypeEdit.h"
#include "html/FileTypeTree.h"
#include "html/FileTypes.h"
#include "platform/SettingsStore.h"
#include "support/FileTypesFixture.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

using Types = std::vector<std::string>;

const std::vector<FileTypeCategory> kTable = {
    {"HTML", ".htm;.html;.asp;"},
    {"Images", ".gif;.jpg;.jpeg;"},
    {"Empty", ""},
    {"Mixed Bag", ".gif;.zip;"},
};

FileTypeTree treeWith(const Types& profileTypes) {
    FileTypeTree tree;
    tree.build(kTable);
    tree.setProfileTypes(profileTypes);
    return tree;
}

TEST(FileTypeTree, GroupsShowTheMarksOfTheirExtensions) {
    FileTypeTree tree = treeWith({".HTM", ".html", ".asp", ".gif"});
    EXPECT_FALSE(tree.allTypes());
    ASSERT_EQ(tree.groups().size(), 4u);
    EXPECT_EQ(tree.groups()[1].extensions, (Types{".gif", ".jpg", ".jpeg"}));
    EXPECT_EQ(tree.groupMark(0), GroupMark::Checked); // ".HTM" ticks .htm
    EXPECT_EQ(tree.groupMark(1), GroupMark::Mixed);
    EXPECT_EQ(tree.groupMark(2), GroupMark::None); // nothing to tick
    EXPECT_EQ(tree.groupMark(3), GroupMark::Mixed);
    EXPECT_EQ(tree.groupMark(9), GroupMark::None);

    tree.setExtensionChecked(".gif", false);
    EXPECT_EQ(tree.groupMark(1), GroupMark::Unchecked);
    EXPECT_EQ(tree.groupMark(3), GroupMark::Unchecked);

    // A group's click ticks or clears all of its extensions, also where another group lists
    // one of them.
    tree.setGroupChecked(3, true);
    EXPECT_EQ(tree.groupMark(3), GroupMark::Checked);
    EXPECT_EQ(tree.groupMark(1), GroupMark::Mixed);
    tree.setGroupChecked(0, false);
    EXPECT_EQ(tree.groupMark(0), GroupMark::Unchecked);
    EXPECT_EQ(tree.profileTypes(), (Types{".gif", ".zip"}));
}

TEST(FileTypeTree, AllIsAnEmptyListAndTicksComeBackInTreeOrder) {
    FileTypeTree all = treeWith({});
    EXPECT_TRUE(all.allTypes());
    EXPECT_TRUE(all.profileTypes().empty());
    // Ticks made while "All" is on are kept, but "All" still stores the empty list.
    all.setExtensionChecked(".jpg", true);
    EXPECT_TRUE(all.profileTypes().empty());
    all.setAllTypes(false);
    EXPECT_EQ(all.profileTypes(), (Types{".jpg"}));

    // Tree order, each extension once, then ticked types the table does not list.
    FileTypeTree tree = treeWith({".zip", ".pdf", ".gif", ".htm", ".GIF"});
    EXPECT_EQ(tree.profileTypes(), (Types{".htm", ".gif", ".zip", ".pdf"}));
    tree.setAllTypes(true);
    EXPECT_TRUE(tree.profileTypes().empty());

    // Loading another profile replaces every mark.
    tree.setProfileTypes({".asp"});
    EXPECT_EQ(tree.profileTypes(), (Types{".asp"}));
    EXPECT_EQ(tree.groupMark(1), GroupMark::Unchecked);
}

TEST(FileTypeTree, BuiltInGroupsAndExtensionsCannotBeDeleted) {
    const FileTypeTree tree = treeWith({});
    EXPECT_FALSE(tree.canDelete({0, std::nullopt}));
    EXPECT_FALSE(tree.canDelete({1, std::nullopt}));
    EXPECT_FALSE(tree.canDelete({0, 0}));
    EXPECT_FALSE(tree.canDelete({0, 2})); // .asp
    EXPECT_FALSE(tree.canDelete({1, 2})); // .jpeg
    EXPECT_FALSE(tree.canDelete({3, 0})); // .gif, even in another group
    EXPECT_TRUE(tree.canDelete({3, 1}));  // .zip
    EXPECT_TRUE(tree.canDelete({2, std::nullopt}));
    EXPECT_FALSE(tree.canDelete({1, 3})); // no such node
    EXPECT_FALSE(tree.canDelete({7, std::nullopt}));

    EXPECT_EQ(tree.groupName({3, 1}), "Mixed Bag");
    EXPECT_EQ(tree.nodeText({3, 1}), ".zip");
    const std::string group = tree.deleteQuestion({3, std::nullopt});
    const std::string extension = tree.deleteQuestion({3, 1});
    EXPECT_NE(group.find("Mixed Bag"), std::string::npos);
    EXPECT_NE(extension.find(".zip"), std::string::npos);
    EXPECT_NE(group, extension);
}

class FileTypeTableTest : public test::FileTypesFixture {
protected:
    void SetUp() override {
        for (const auto& category : kTable)
            ASSERT_TRUE(m_types.writeCategory(category.name, category.extensions));
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& category : m_types.categories())
            result.push_back(category.name);
        return result;
    }
};

TEST_F(FileTypeTableTest, DeletingAGroupOrAnExtensionChangesTheTableAndDropsItsTicks) {
    FileTypeTree tree = treeWith({".zip", ".pdf", ".jpg"});
    tree.build(m_types.categories());

    ASSERT_TRUE(tree.deleteFromTable(m_types, {3, 1}));
    EXPECT_EQ(m_types.extensionsOf("Mixed Bag"), ".gif;");
    tree.rebuild(m_types.categories());
    EXPECT_EQ(tree.groups()[3].extensions, (Types{".gif"}));
    // .zip was deleted by the user; .pdf was never shown and stays.
    EXPECT_EQ(tree.profileTypes(), (Types{".jpg", ".pdf"}));

    ASSERT_TRUE(tree.deleteFromTable(m_types, {2, std::nullopt}));
    tree.rebuild(m_types.categories());
    EXPECT_EQ(names(), (Types{"HTML", "Images", "Mixed Bag"}));

    // A .gif ticked in two groups stays ticked while one of them still lists it.
    tree.setExtensionChecked(".gif", true);
    ASSERT_TRUE(m_types.writeCategory("Mixed Bag", ""));
    tree.rebuild(m_types.categories());
    EXPECT_TRUE(tree.isChecked(".gif"));

    EXPECT_FALSE(tree.deleteFromTable(m_types, {0, 1}));            // .html
    EXPECT_FALSE(tree.deleteFromTable(m_types, {1, std::nullopt})); // Images
    EXPECT_FALSE(tree.deleteFromTable(m_types, {8, std::nullopt}));
    EXPECT_EQ(m_types.extensionsOf("HTML"), ".htm;.html;.asp;");
}

TEST(FileTypeExtensions, AreKeptLowerCaseWithDotsEachEndedBySemicolon) {
    const std::pair<const char*, const char*> cases[] = {
        {".mp3;.wav", ".mp3;.wav;"},
        {".mp3;.wav;", ".mp3;.wav;"},
        {"MP3; wav ;;.Mp3", ".mp3;.wav;"},
        {" ; . ;", ""},
        {"", ""},
        {".tar.gz", ".tar.gz;"},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(normalizeExtensions(typed), stored) << typed;
}

TEST_F(FileTypeTableTest, NewAndEditedFileTypesAreWrittenToTheTable) {
    FileTypeEdit added = FileTypeEdit::forNew();
    EXPECT_EQ(added.caption(), "New File Type");
    EXPECT_FALSE(added.okEnabled());
    added.setName("  ");
    EXPECT_FALSE(added.okEnabled());
    EXPECT_FALSE(added.save(m_types));
    added.setName(" Sound ");
    added.setExtensions(".mp3;.WAV");
    ASSERT_TRUE(added.save(m_types));
    EXPECT_EQ(m_types.extensionsOf("Sound"), ".mp3;.wav;");
    EXPECT_EQ(names().back(), "Sound");

    FileTypeEdit edited = FileTypeEdit::forEdit(m_types, "Sound");
    EXPECT_EQ(edited.caption(), "Edit File Type");
    EXPECT_EQ(edited.name(), "Sound");
    EXPECT_EQ(edited.extensions(), ".mp3;.wav;");
    edited.setExtensions("");
    ASSERT_TRUE(edited.save(m_types));
    EXPECT_EQ(m_types.extensionsOf("Sound"), "");
    EXPECT_EQ(names().back(), "Sound"); // written also when empty

    // A rename replaces the old value; only the case changed keeps the one value.
    edited.setName("Audio");
    edited.setExtensions(".ogg");
    ASSERT_TRUE(edited.save(m_types));
    EXPECT_EQ(names(), (Types{"HTML", "Images", "Empty", "Mixed Bag", "Audio"}));
    FileTypeEdit recased = FileTypeEdit::forEdit(m_types, "Empty");
    recased.setName("EMPTY");
    ASSERT_TRUE(recased.save(m_types));
    EXPECT_EQ(m_types.categories().size(), 5u);

    // A built-in group renamed stays as well, since it cannot be deleted.
    FileTypeEdit images = FileTypeEdit::forEdit(m_types, "Images");
    images.setName("Pictures");
    ASSERT_TRUE(images.save(m_types));
    EXPECT_EQ(m_types.extensionsOf("Images"), ".gif;.jpg;.jpeg;");
    EXPECT_EQ(m_types.extensionsOf("Pictures"), ".gif;.jpg;.jpeg;");

    // Editing a group that another window deleted meanwhile just writes the new one.
    FileTypeEdit gone = FileTypeEdit::forEdit(m_types, "Nowhere");
    EXPECT_EQ(gone.extensions(), "");
    gone.setName("Somewhere");
    EXPECT_TRUE(gone.save(m_types));
}

} // namespace
} // namespace quarlo
