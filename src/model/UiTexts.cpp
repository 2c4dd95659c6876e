#include "model/UiTexts.h"

#include <map>

namespace quarlo {

std::string uiText(int number) {
    static const std::map<int, std::string> texts = {
        {684, "Personal Intranet mode"},
        {685, "Each web site is saved as a folder of pages"},
        {686, "that you browse offline, in:"},
        {687, "Zip mode"},
        {688, "Each web site is saved as one Zip archive"},
        {689, "in the Downloads folder:"},
        {696, "Open Zip File"},
        {723, "Today's Archive - "},
        {725, "Daily Archive "},
        {726, "A task is still downloading."},
        {727, "Stop it and close Quarlo?"},
        {730, "The download method of new tasks."},
        {731, "Leave it empty to choose the settings in the task editor."},
        {732, "The Zip file"},
        {733, "no longer exists; it was removed from the list."},
        {753, "Opening page..."},
        {754, "Loading frame..."},
        {755, "Frame loaded."},
    };
    const auto found = texts.find(number);
    return found == texts.end() ? std::string() : found->second;
}

} // namespace quarlo
