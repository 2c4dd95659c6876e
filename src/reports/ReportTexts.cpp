#include "reports/ReportTexts.h"

namespace quarlo {

std::string reportText(int number) {
    switch (number) {
    case 741:
        return "This task has not been run, or its Zip file no longer exists. Run it now?";
    case 790:
        return "Creating Task Summary";
    default:
        return {};
    }
}

} // namespace quarlo
