#pragma once

#include <string_view>

namespace quarlo {
class FileTypes;
}

namespace quarlo::fuzz {

// The default file-type table, imported once into a scratch settings file.
const FileTypes& defaultFileTypes();

// Stops the fuzzer (a finding) unless the local path lies inside the save folder after
// lexical normalisation. An empty path (refused) is fine.
void expectInside(std::string_view saveFolder, std::string_view localPath);

// The same for the file a converted link opens from the saved page at pageFile: the link's
// "#" part cut and its percent escapes decoded, as a browser reads it from disk.
void expectLinkInside(std::string_view saveFolder, std::string_view pageFile,
                      std::string_view link);

} // namespace quarlo::fuzz
