#pragma once

#include <string>
#include <string_view>

namespace quarlo {

// A short name for the site, used as the default task name and Zip file name:
// http://www.alpha.test/ gives alpha, http://alpha.test/ gives alpha_test. Never empty and
// never a name that cannot be a file name ("." or "..", "/", NUL or control characters):
// then the host with its dots turned into "_", or "site" when the URL has no usable host.
// At most 200 bytes, cut between UTF-8 characters.
std::string SiteShortName(std::string_view url);

// The file name of a "/" path without its folder and without its extension.
std::string FileNameNoExt(std::string_view path);

// A stored file name or "/" path as a person reads it: the %XX escapes of each name decoded,
// so that caf%C3%A9.html reads café.html. A name stays as stored when its decoded text would
// not be valid UTF-8 or would hold a "/", a control character or a "." or ".." step: it never
// reads as a name it is not. The stored name itself is never changed.
std::string displayFileName(std::string_view name);

// The path itself when nothing exists under that name, else the first free one of
// folder/name(0).ext, folder/name(1).ext, ... (site.qlt, then site(0).qlt).
std::string UniqueFileName(std::string_view path);

// Creates the target's folder with missing parents, then copies the file over any existing
// target. False when the copy fails; a folder created on the way stays.
bool CopyFileMakingFolder(const std::string& source, const std::string& target);

} // namespace quarlo
