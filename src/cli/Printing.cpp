#include "cli/Printing.h"

#include "model/CommaText.h"
#include "model/SettingsTable.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace quarlo::cli {

namespace {

std::string dateText(DateTime value) {
    return value == 0 ? "never" : formatTaskDate(value);
}

std::string elapsedText(DateTime value) {
    const long long seconds = std::llround(value * 86400.0);
    std::ostringstream text;
    text << seconds / 3600 << ":" << std::setw(2) << std::setfill('0') << seconds / 60 % 60 << ":"
         << std::setw(2) << seconds % 60;
    return text.str();
}

} // namespace

void printProfile(std::ostream& out, const TQLProfile& profile) {
    out << "Profile Name: " << profile.profileName() << "\n"
        << "File Types: " << toCommaText(profile.fileTypes()) << "\n"
        << "Page Location: " << int(profile.pageLocation()) << " ("
        << locationText(profile.pageLocation()) << ")\n"
        << "Resource Location: " << int(profile.resourceLocation()) << " ("
        << locationText(profile.resourceLocation()) << ")\n"
        << "Depth: " << profile.depth() << " (" << depthText(profile.depth()) << ")\n"
        << "Aggressive Parser: " << int(profile.aggressiveParser()) << "\n"
        << "Convert Followed Links: " << int(profile.convertFollowedLinks()) << "\n"
        << "Convert Unfollowed Links: " << int(profile.convertUnfollowedLinks()) << "\n"
        << "Use Start Page Title: " << (profile.useStartPageTitle() ? 1 : 0) << "\n"
        << "URL Filters Exclude: " << toCommaText(profile.urlFiltersExclude()) << "\n"
        << "URL Filters Include: " << toCommaText(profile.urlFiltersInclude()) << "\n"
        << "Page File Size Min: " << profile.pageFileSizeMin() << "\n"
        << "Page File Size Max: " << profile.pageFileSizeMax() << "\n"
        << "Resource File Size Min: " << profile.resourceFileSizeMin() << "\n"
        << "Resource File Size Max: " << profile.resourceFileSizeMax() << "\n"
        << "Obey Robots: " << (profile.obeyRobots() ? 1 : 0) << "\n";
}

void printTask(std::ostream& out, const TQLTask& task) {
    const TaskCounters& counters = task.counters();
    out << "Task Name: " << task.taskName() << "\n"
        << "Category: " << task.category() << "\n"
        << "File: " << task.filePath() << "\n"
        << "URL: " << task.url() << "\n";
    for (std::size_t i = 0; i < task.urls().size(); ++i)
        out << "URL" << i << ": " << task.urls()[i] << "\n";
    out << "Start Page Title: " << task.startPageTitle() << "\n"
        << "User Name: " << task.userName() << "\n"
        << "Password: " << maskedSecret(task.password()) << "\n"
        << "Comment: " << task.comment() << "\n"
        << "Destination: " << task.destination() << "\n"
        << "Intranet Mode: " << (task.intranetMode() ? 1 : 0) << "\n"
        << "Accept Any Certificate: " << (task.acceptAnyCertificate() ? 1 : 0) << "\n"
        << "Status: " << toIniValue(task.status()) << " (" << task.statusText() << ")\n"
        << "Schedule: " << task.schedule() << "\n"
        << "Run Method: " << toIniValue(task.runMethod()) << "\n"
        << "Total Bytes: " << counters.BytesDownloaded << "\n"
        << "Total Pages: " << counters.PagesFound << "\n"
        << "Total Resources: " << counters.ResourcesFound << "\n"
        << "Pages Saved: " << counters.PagesSaved << "\n"
        << "Resources Saved: " << counters.ResourcesSaved << "\n"
        << "Page Errors: " << counters.PageErrors << "\n"
        << "Resource Errors: " << counters.ResourceErrors << "\n"
        << "Elapsed Time: " << elapsedText(task.elapsedTime()) << "\n"
        << "Last Run: " << dateText(task.lastRun()) << "\n"
        << "Next Run: " << dateText(task.nextRun()) << "\n";
    printProfile(out, task.profile());
}

} // namespace quarlo::cli
