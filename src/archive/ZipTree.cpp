#include "archive/ZipTree.h"

#include "archive/ZipNames.h"
#include "html/LinkScan.h"
#include "platform/FileUtil.h"

#include <algorithm>

namespace quarlo {

std::string ZipNode::spec() const {
    switch (kind) {
    case Kind::Archive:
        return "*.*";
    case Kind::Folder:
        return path + "*.*";
    default:
        return path;
    }
}

std::string zipNodeText(const std::string& entry, const std::string& comment) {
    std::string text = entryFileName(entry);
    if (!comment.empty())
        text += "   (" + decodedTitle(comment) + ")";
    return text;
}

TZipObj::TZipObj(std::string path) : archivePath(std::move(path)), root(new ZipNode) {
    root->kind = ZipNode::Kind::Archive;
    root->text = fileNameOf(archivePath);
    root->archive = this;
    folders[""] = root.get();
}

ZipNode* TZipObj::folderNode(const std::string& folder, std::vector<ZipNode*>* added) {
    if (auto found = folders.find(folder); found != folders.end())
        return found->second;
    // "a/b/" lies under "a/".
    const std::string withoutSlash = folder.substr(0, folder.size() - 1);
    ZipNode* parent = folderNode(entryFolder(withoutSlash), added);
    auto node = std::make_unique<ZipNode>();
    node->kind = ZipNode::Kind::Folder;
    node->text = entryFileName(withoutSlash);
    node->path = folder;
    node->parent = parent;
    node->archive = this;
    ZipNode* raw = node.get();
    parent->children.push_back(std::move(node));
    folders[folder] = raw;
    if (added)
        added->push_back(raw);
    return raw;
}

ZipNode* TZipObj::entryNode(const ZipEntryInfo& info, std::vector<ZipNode*>* added) {
    if (info.isFolder) {
        folderNode(info.name, added);
        return nullptr;
    }
    if (auto found = entries.find(info.name); found != entries.end()) {
        auto& sizes = m_sizes[info.name];
        totalSize += info.size - sizes.first;
        totalPacked += info.packed - sizes.second;
        sizes = {info.size, info.packed};
        found->second->comment = info.comment;
        found->second->text = zipNodeText(info.name, info.comment);
        return found->second;
    }
    ZipNode* parent = folderNode(entryFolder(info.name), added);
    auto node = std::make_unique<ZipNode>();
    node->kind = ZipNode::Kind::File;
    node->path = info.name;
    node->comment = info.comment;
    node->text = zipNodeText(info.name, info.comment);
    node->parent = parent;
    node->archive = this;
    ZipNode* raw = node.get();
    parent->children.push_back(std::move(node));
    entries[info.name] = raw;
    m_sizes[info.name] = {info.size, info.packed};
    totalSize += info.size;
    totalPacked += info.packed;
    if (added)
        added->push_back(raw);
    return raw;
}

void TZipObj::forget(ZipNode* node) {
    for (auto& child : node->children)
        forget(child.get());
    if (node->kind == ZipNode::Kind::Folder) {
        folders.erase(node->path);
    } else if (node->kind == ZipNode::Kind::File) {
        entries.erase(node->path);
        auto sizes = m_sizes.find(node->path);
        if (sizes != m_sizes.end()) {
            totalSize -= sizes->second.first;
            totalPacked -= sizes->second.second;
            m_sizes.erase(sizes);
        }
    }
}

void TZipObj::removeNode(ZipNode* node, const std::function<void(ZipNode&)>& beforeRemove) {
    while (node != nullptr && node->kind != ZipNode::Kind::Archive) {
        ZipNode* parent = node->parent;
        if (beforeRemove)
            beforeRemove(*node);
        forget(node);
        auto& siblings = parent->children;
        siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                    [node](const auto& child) { return child.get() == node; }));
        node = parent->children.empty() ? parent : nullptr;
    }
}

void TZipObj::clear() {
    root->children.clear();
    folders.clear();
    folders[""] = root.get();
    entries.clear();
    m_sizes.clear();
    totalSize = totalPacked = 0;
}

} // namespace quarlo
