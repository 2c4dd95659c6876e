#pragma once

namespace quarlo {

// The version of this build: the project version, followed in a build from a git checkout by
// what `git describe` says of the commit ("3.0 (git 7a445cb)"). Every front end prints this
// one text.
const char* buildVersion();

} // namespace quarlo
