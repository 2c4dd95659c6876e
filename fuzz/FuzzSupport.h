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

} // namespace quarlo::fuzz
