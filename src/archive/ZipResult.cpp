#include "archive/ZipResult.h"

namespace quarlo {

int zipResultSeverity(int code) {
    if (code <= 0)
        return 0;
    switch (code) {
    case 10:
    case 30:
    case 40:
    case 50:
    case 140:
        return 1;
    default:
        return 2;
    }
}

bool zipResultIsInformation(int code) {
    return code == 40 || code == 50;
}

std::string zipResultMessage(int code, std::string_view verb) {
    const std::string v(verb);
    if (code <= 0)
        return {};
    switch (code) {
    case 10:
    case 30:
    case 140:
    case 190:
        return {};
    case 40:
        return "Some files were skipped while " + v + ".";
    case 50:
        return "The Zip file is empty.";
    case 100:
        return "Could not find the archive file.";
    case 110:
    case 160:
        return "The archive file is corrupted. Try using the Fix option on it.";
    case 120:
        return "Ran out of memory while " + v + ".";
    case 150:
        return "Disk full while " + v + ".";
    case 180:
        return "Another application is currently performing a similar task. Wait until the "
               "other application has completed its operation.";
    case 200:
        return "Test failed - Errors in the archive.";
    case 210:
        return "No files ended up being tested in the archive.";
    case 280:
        return "Problem with the temporary file.";
    case 350:
        return "Attempt to remove parent directory.";
    case 370:
        return "Names repeated in archive after discarding pathnames.";
    case 380:
        return "Could not update the Zip archive date. Archive only contains directories or is "
               "empty.";
    case 400:
        return "Could not access the Zip file or one of the files to process.";
    case 410:
        return "Attempt to work with a multiple-disk Zip archive, but not in multidisk mode.";
    case 420:
        return "Wrong disk was inserted too many times.";
    default:
        return "An error occured while " + v + " the specified files.";
    }
}

} // namespace quarlo
