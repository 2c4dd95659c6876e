#pragma once

#include <string>

namespace quarlo {

// The numbered texts of the main window and the browser (the built-in English catalogue):
// 684-689 the save-mode hints, 696 the open-file title, 723 and 725 the daily archive,
// 726-727 closing during a run, 730-731 the profile box hint, 732-733 a missing recent Zip
// file, 753-755 the browser's progress. Empty for a number it does not hold.
std::string uiText(int number);

} // namespace quarlo
