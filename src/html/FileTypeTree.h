#pragma once

#include "html/FileTypes.h"
#include "platform/Result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The mark a group of the file-type tree shows: None when it has no extensions.
enum class GroupMark { None, Unchecked, Mixed, Checked };

// A node of the tree: a group, or one extension of it.
struct FileTypeNode {
    std::size_t group = 0;
    std::optional<std::size_t> extension;
};

// The task editor's file-type tree without its widget: one group per category of the
// file-type table, one child per extension, and the profile's "File Types" list as marks.
// A mark belongs to the extension, not to the node, so an extension listed by two groups is
// ticked in both. Ticked types the table does not list are kept (not shown), so opening a
// profile made elsewhere does not widen it.
class FileTypeTree {
public:
    struct Group {
        std::string name;
        std::vector<std::string> extensions;
    };

    // Groups from the table; the marks stay as they are.
    void build(const std::vector<FileTypeCategory>& categories);
    // The profile's list: "All" exactly when it is empty.
    void setProfileTypes(const std::vector<std::string>& types);
    // The profile's list: empty while "All" is ticked, else the ticked extensions in tree
    // order (each once), then the ticked types the table does not list.
    std::vector<std::string> profileTypes() const;

    const std::vector<Group>& groups() const { return m_groups; }
    bool allTypes() const { return m_all; }
    void setAllTypes(bool all) { m_all = all; }

    bool isChecked(std::string_view extension) const;
    GroupMark groupMark(std::size_t group) const;
    void setExtensionChecked(std::string_view extension, bool checked);
    // Ticks or clears every extension of a group.
    void setGroupChecked(std::size_t group, bool checked);

    // Builds the tree again from a changed table. Ticked extensions that were shown and
    // are no longer in the table are dropped: the user deleted them.
    void rebuild(const std::vector<FileTypeCategory>& categories);

    // The group's name, for the node's group (what "Edit..." opens).
    std::string groupName(const FileTypeNode& node) const;
    // The node's text: the group name or the extension.
    std::string nodeText(const FileTypeNode& node) const;
    // "Delete" is refused for the built-in groups and extensions.
    bool canDelete(const FileTypeNode& node) const;
    // The question asked before deleting (779 for a group, 781 for an extension).
    std::string deleteQuestion(const FileTypeNode& node) const;
    // Removes the node's group or extension from the table (not from the tree: rebuild).
    Status deleteFromTable(FileTypes& table, const FileTypeNode& node) const;

private:
    bool validNode(const FileTypeNode& node) const;
    bool isShown(std::string_view extension) const;

    std::vector<Group> m_groups;
    std::vector<std::string> m_checked;
    bool m_all = true;
};

} // namespace quarlo
