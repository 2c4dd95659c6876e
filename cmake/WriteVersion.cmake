# Run at every build (cmake -P): writes the source file that holds the version text. The file
# is rewritten only when the text changes, so an unchanged version recompiles nothing.
# Needs SOURCE_DIR, PROJECT_VERSION and OUTPUT.
include(${CMAKE_CURRENT_LIST_DIR}/GitVersion.cmake)
quarlo_version_text("${PROJECT_VERSION}" "${SOURCE_DIR}" text)
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT [=[
#include "platform/BuildVersion.h"

namespace quarlo {

const char* buildVersion() {
    return "@text@";
}

} // namespace quarlo
]=] @ONLY)
