#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace quarlo {

// A file that is appended to many times in a row (a log written block by block), kept open
// between appends instead of being opened and closed for each. It opens the file again when
// it is asked to append to another path, and after close(): its owner closes it whenever the
// file may have been replaced or removed behind its back.
class AppendingFile {
public:
    AppendingFile() = default;
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    // Appends the data to the file at path (created when missing), unflushed, as
    // appendFileUnflushed() does. A failed append closes the file; it may leave part of the
    // data at the file's end.
    Status append(const std::string& path, std::string_view data);
    void close();

private:
    std::string m_path;
    int m_fd = -1;
};

} // namespace quarlo
