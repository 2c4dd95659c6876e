#pragma once

#include "archive/ZipEvents.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quarlo {

struct TZipObj;

// A node of the Zip browser's tree: an archive, a folder inside it, or an entry.
struct ZipNode {
    enum class Kind { Archive, Folder, File };

    Kind kind = Kind::File;
    std::string text;    // what the tree shows
    std::string path;    // a folder's path ("a/b/"), an entry's name, "" for the archive
    std::string comment; // an entry's comment
    ZipNode* parent = nullptr;
    TZipObj* archive = nullptr;
    std::vector<std::unique_ptr<ZipNode>> children;

    // The mask that lists the node: "*.*" for the archive, "a/b/*.*" for a folder, the
    // entry's name for a file.
    std::string spec() const;
};

// The label of an entry node: its file name, followed by "   (" comment ")" when it has one,
// the comment (the title of the page the entry holds) read as its page shows it.
std::string zipNodeText(const std::string& entry, const std::string& comment);

// The Zip browser's record of one open archive: its tree, the folders and entries listed,
// the totals of what was listed, and whether it has been unpacked for browsing.
struct TZipObj {
    explicit TZipObj(std::string path);

    std::string archivePath;
    std::unique_ptr<ZipNode> root;
    std::map<std::string, ZipNode*> folders; // folder path -> node; "" is the archive node
    std::map<std::string, ZipNode*> entries; // entry name -> node
    std::int64_t totalSize = 0;
    std::int64_t totalPacked = 0;
    bool unpacked = false;

    // The folder node of a path ("a/b/"), created with its missing parents; each new node
    // is passed to added.
    ZipNode* folderNode(const std::string& folder, std::vector<ZipNode*>* added = nullptr);
    // The entry's node, created under its folder when missing (added as above), or nullptr
    // for a folder entry. Totals count every entry once.
    ZipNode* entryNode(const ZipEntryInfo& info, std::vector<ZipNode*>* added = nullptr);
    // Removes a folder or file node with everything below it, then each parent folder left
    // without children (never the archive node); beforeRemove sees each node taken out
    // while it is still in the tree. Totals lose the entries' sizes.
    void removeNode(ZipNode* node, const std::function<void(ZipNode&)>& beforeRemove = {});
    // Forgets every folder and entry below the archive node.
    void clear();

private:
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> m_sizes;
    void forget(ZipNode* node);
};

} // namespace quarlo
