#include "model/Names.h"

namespace quarlo {

namespace {

Status refuse(const std::string& name, const char* what, const std::string& why) {
    std::string shown;
    for (char c : name)
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return Status::failure("Invalid " + std::string(what) + " name \"" + shown + "\": " + why);
}

} // namespace

Status checkItemName(const std::string& name, const char* what) {
    if (name.empty())
        return Status::failure("The " + std::string(what) + " name cannot be empty");
    if (name.find('\0') != std::string::npos)
        return refuse(name, what, "a name cannot contain a NUL character");
    if (name.find('/') != std::string::npos)
        return refuse(name, what, "a name cannot contain \"/\"");
    if (name == "." || name == "..")
        return refuse(name, what, "a name cannot be \".\" or \"..\"");
    return {};
}

} // namespace quarlo
