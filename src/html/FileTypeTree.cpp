#include "html/FileTypeTree.h"

#include "platform/TextUtil.h"

#include <algorithm>

namespace quarlo {

namespace {

bool listHolds(const std::vector<std::string>& list, std::string_view text) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& entry) { return equalsNoCase(entry, text); });
}

} // namespace

void FileTypeTree::build(const std::vector<FileTypeCategory>& categories) {
    m_groups.clear();
    for (const FileTypeCategory& category : categories)
        m_groups.push_back({category.name, splitExtensions(category.extensions)});
}

void FileTypeTree::setProfileTypes(const std::vector<std::string>& types) {
    m_checked.clear();
    for (const std::string& type : types) {
        if (!type.empty() && !listHolds(m_checked, type))
            m_checked.push_back(type);
    }
    m_all = types.empty();
}

std::vector<std::string> FileTypeTree::profileTypes() const {
    std::vector<std::string> result;
    if (m_all)
        return result;
    for (const Group& group : m_groups) {
        for (const std::string& extension : group.extensions) {
            if (isChecked(extension) && !listHolds(result, extension))
                result.push_back(extension);
        }
    }
    for (const std::string& type : m_checked) {
        if (!listHolds(result, type))
            result.push_back(type);
    }
    return result;
}

bool FileTypeTree::isChecked(std::string_view extension) const {
    return listHolds(m_checked, extension);
}

GroupMark FileTypeTree::groupMark(std::size_t group) const {
    if (group >= m_groups.size() || m_groups[group].extensions.empty())
        return GroupMark::None;
    const auto& extensions = m_groups[group].extensions;
    const auto ticked = std::count_if(extensions.begin(), extensions.end(),
                                      [this](const std::string& e) { return isChecked(e); });
    if (ticked == 0)
        return GroupMark::Unchecked;
    return static_cast<std::size_t>(ticked) == extensions.size() ? GroupMark::Checked
                                                                 : GroupMark::Mixed;
}

void FileTypeTree::setExtensionChecked(std::string_view extension, bool checked) {
    if (extension.empty())
        return;
    if (checked) {
        if (!isChecked(extension))
            m_checked.emplace_back(extension);
        return;
    }
    std::erase_if(m_checked, [&](const std::string& e) { return equalsNoCase(e, extension); });
}

void FileTypeTree::setGroupChecked(std::size_t group, bool checked) {
    if (group >= m_groups.size())
        return;
    for (const std::string& extension : m_groups[group].extensions)
        setExtensionChecked(extension, checked);
}

bool FileTypeTree::isShown(std::string_view extension) const {
    return std::any_of(m_groups.begin(), m_groups.end(),
                       [&](const Group& g) { return listHolds(g.extensions, extension); });
}

void FileTypeTree::rebuild(const std::vector<FileTypeCategory>& categories) {
    std::vector<std::string> wereShown;
    for (const std::string& type : m_checked) {
        if (isShown(type))
            wereShown.push_back(type);
    }
    build(categories);
    for (const std::string& type : wereShown) {
        if (!isShown(type))
            setExtensionChecked(type, false);
    }
}

bool FileTypeTree::validNode(const FileTypeNode& node) const {
    if (node.group >= m_groups.size())
        return false;
    return !node.extension || *node.extension < m_groups[node.group].extensions.size();
}

std::string FileTypeTree::groupName(const FileTypeNode& node) const {
    return validNode(node) ? m_groups[node.group].name : std::string();
}

std::string FileTypeTree::nodeText(const FileTypeNode& node) const {
    if (!validNode(node))
        return {};
    const Group& group = m_groups[node.group];
    return node.extension ? group.extensions[*node.extension] : group.name;
}

bool FileTypeTree::canDelete(const FileTypeNode& node) const {
    if (!validNode(node))
        return false;
    return node.extension ? !FileTypes::isProtectedExtension(nodeText(node))
                          : !FileTypes::isProtectedCategory(nodeText(node));
}

std::string FileTypeTree::deleteQuestion(const FileTypeNode& node) const {
    if (!validNode(node))
        return {};
    // 781 for an extension, 779 for a whole group.
    if (node.extension)
        return "Are you sure you want to delete the extension " + nodeText(node) +
               " from the file type " + groupName(node) + "?";
    return "Are you sure you want to delete the file type " + groupName(node) +
           " with all its extensions?";
}

Status FileTypeTree::deleteFromTable(FileTypes& table, const FileTypeNode& node) const {
    if (!validNode(node))
        return Status::failure("Nothing is selected.");
    if (node.extension)
        return table.deleteExtension(groupName(node), nodeText(node));
    return table.deleteCategory(groupName(node));
}

} // namespace quarlo
