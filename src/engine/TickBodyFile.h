#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// Receives a response body for a local file. The body goes to a temporary file beside the
// target and replaces the target only when commit() is called, so an unfinished transfer
// never damages an earlier copy. The temporary file is removed unless committed; so are the
// folders that were made for it, when nothing else came to lie in them.
class TickBodyFile {
public:
    explicit TickBodyFile(std::string target);
    ~TickBodyFile();
    TickBodyFile(const TickBodyFile&) = delete;
    TickBodyFile& operator=(const TickBodyFile&) = delete;

    // The temporary file used for a target: same folder, the name with ".quarlo-part"
    // added (the name cut short first when the result would not fit the file system).
    static std::string partName(const std::string& target);
    // Whether a file name is that of a temporary body file.
    static bool isPartName(std::string_view name);

    // Whether the target exists already (an earlier copy).
    bool targetExists() const;
    bool isOpen() const { return m_fd >= 0; }

    // Creates (or truncates) the temporary file, making its folders first: 0, or 302 when it
    // cannot be made. Each step fails with 145 instead when the disk is full or read-only.
    int32_t open();
    // Appends a block: 0, or 144 when it is not written whole.
    int32_t write(std::string_view block);
    // Closes the temporary file and renames it over the target: 0, 144 when closing fails,
    // 302 when it cannot be put in place.
    int32_t commit();
    // Closes and removes the temporary file.
    void discard();
    // What the last failure was: "Unable to write to <target>: <reason>".
    std::string failureText() const;
    int error() const { return m_error; } // the errno of the last failure, or 0

private:
    int32_t failed(int32_t code);
    bool makeFolders(); // false with errno set when a folder cannot be made
    void removeMadeFolders();

    std::string m_target;
    std::string m_part;
    int m_fd = -1;
    int m_error = 0;
    std::vector<std::string> m_madeFolders; // deepest last
};

} // namespace quarlo
