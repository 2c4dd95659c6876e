#include "engine/StatusFigures.h"

#include "model/TQLTask.h"

#include <cmath>
#include <cstdio>

namespace quarlo {

namespace {

int percentOf(std::int64_t progress, std::int64_t maximum) {
    if (maximum <= 0)
        return 0;
    return static_cast<int>(progress * 100 / maximum);
}

std::string bar(std::int64_t shown, std::int64_t total, int percent) {
    return std::to_string(shown) + "/" + std::to_string(total) + " -> " + std::to_string(percent) +
           "%";
}

std::string oneDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

} // namespace

StatusFigures computeStatusFigures(const TaskCounters& c, DateTime elapsed) {
    StatusFigures f;
    f.pagesPercent = percentOf(c.PagesSaved + c.PageErrors, c.PagesFound);
    f.mediaPercent = percentOf(c.ResourcesSaved + c.ResourceErrors, c.ResourcesFound);
    const std::int64_t errors = c.PageErrors + c.ResourceErrors;
    const std::int64_t found = c.PagesFound + c.ResourcesFound;
    f.errorsPercent = percentOf(errors, found);
    f.pagesBar = bar(c.PagesSaved, c.PagesFound, f.pagesPercent);
    f.mediaBar = bar(c.ResourcesSaved, c.ResourcesFound, f.mediaPercent);
    f.errorsBar = bar(errors, found, f.errorsPercent);

    // The time of day of the elapsed date-time: whole days are dropped.
    const double dayFraction = elapsed - std::floor(elapsed);
    long long seconds = std::llround(dayFraction * 86400.0);
    if (seconds >= 86400)
        seconds = 0;
    f.seconds = seconds;
    char time[32];
    std::snprintf(time, sizeof time, "%lld: %02lld: %02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    f.time = time;

    const double kilobytes = static_cast<double>(c.BytesDownloaded) / 1024.0;
    f.kilobytes = oneDecimal(kilobytes);
    f.kilobytesPerSecond = seconds > 0 ? kilobytes / static_cast<double>(seconds) : 0.0;
    f.rate = oneDecimal(f.kilobytesPerSecond);
    return f;
}

} // namespace quarlo
