#include "ParseBench.h"

#include "BenchSupport.h"
#include "engine/Queue.h"
#include "engine/TThreadParse.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace quarlo::bench {

namespace {

constexpr const char* kStartUrl = "http://h.test/";
constexpr const char* kPageUrl = "http://h.test/a/page.html";

// Paragraphs of text with a link, an image of 40 and now and then a script with an address.
std::string mixedPage() {
    std::string page;
    for (int i = 0; page.size() < 1024 * 1024; ++i)
        page +=
            "<p>Some text of paragraph " + std::to_string(i) + std::string(300, ' ') +
            "<a href=\"sub/page" + std::to_string(i) + ".html\">link</a> <img src=\"/i/" +
            std::to_string(i % 40) + ".gif\"></p>\n" +
            (i % 50 == 0 ? "<script>var u = 'x" + std::to_string(i) + ".html';</script>\n" : "");
    return page;
}

// 20,000 links to distinct pages in 97 folders.
std::string linkPage() {
    std::string page;
    for (int i = 0; i < 20000; ++i)
        page += "<a href=\"d" + std::to_string(i % 97) + "/p" + std::to_string(i) +
                ".html\">Item " + std::to_string(i) + "</a><br>\n";
    return page;
}

// A scratch folder on a tmpfs for the saved pages, so the page turn's file reading and
// writing cost next to nothing.
class TmpfsFolder {
public:
    TmpfsFolder() {
        char pattern[] = "/dev/shm/quarlo-parse-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            throw std::runtime_error("cannot create a folder under /dev/shm");
        m_path = std::string(pattern) + "/";
    }
    ~TmpfsFolder() { removeTree(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A task of the default profile whose queue holds the page as the transfers leave it:
// queued, saved under the destination and in status "Saved".
std::unique_ptr<TQLTask> taskWithSavedPage(TQLApp& app, const std::string& name,
                                           const std::string& destination,
                                           const std::string& html) {
    auto task = std::make_unique<TQLTask>(app);
    if (!task->setLocation("General", name))
        throw std::runtime_error("cannot place the task " + name);
    task->setURL(kStartUrl);
    task->setIntranetMode(true);
    task->setDestination(destination);
    task->profile() = TQLProfile::defaults();
    std::lock_guard lock(task->mutex());
    TQLQItem item;
    item.URL = kPageUrl;
    item.FileType = "HTML";
    item.Level = 1;
    AddItem(*task, item);
    SetStatus(item, QueueStatus::Saved);
    ++task->counters().PagesSaved;
    StoreItem(item);
    const std::string local = LocalName(item);
    if (!forceDirectories(folderOf(local)) || !writeFileAtomic(local, html))
        throw std::runtime_error("cannot write " + local);
    return task;
}

struct Turn {
    double seconds = 0;
    std::size_t entries = 0; // queue entries afterwards, the page's own included
};

Turn parseTurn(TQLApp& app, TThreadParse& parse, const std::string& name,
               const std::string& destination, const std::string& html) {
    const std::unique_ptr<TQLTask> task = taskWithSavedPage(app, name, destination, html);
    const auto start = std::chrono::steady_clock::now();
    if (!parse.processNextPage(*task))
        throw std::runtime_error("the parse thread found no saved page");
    Turn turn;
    turn.seconds = secondsSince(start);
    std::lock_guard lock(task->mutex());
    if (task->counters().PagesSaved != 1 || LoadItem(*task, 0)->Status != QueueStatus::Parsed)
        throw std::runtime_error("the page was not parsed");
    turn.entries = task->queue().size();
    return turn;
}

} // namespace

void benchParse(int rounds) {
    rounds = std::max(rounds, 1);
    ScratchHome home;
    auto app = home.app();
    TmpfsFolder pages;
    TThreadParse parse(*app);
    std::printf("parse throughput: the parse thread's page turn, default profile (scripts "
                "searched, links converted), page on a tmpfs, median of %d\n",
                rounds);
    int task = 0;
    for (const auto& [name, html] :
         {std::pair{"1 MB page", mixedPage()}, std::pair{"20,000 links", linkPage()}}) {
        std::vector<double> seconds;
        std::size_t entries = 0;
        for (int round = 0; round < rounds; ++round) {
            const std::string number = std::to_string(++task);
            const Turn turn =
                parseTurn(*app, parse, "Bench" + number, pages.path() + number + "/", html);
            seconds.push_back(turn.seconds);
            entries = turn.entries;
        }
        std::sort(seconds.begin(), seconds.end());
        const double megabytes = static_cast<double>(html.size()) / 1e6;
        std::printf("  %-13s %5.2f MB: %6.1f MB/s (best %6.1f), %zu queue entries\n", name,
                    megabytes, megabytes / seconds[seconds.size() / 2], megabytes / seconds[0],
                    entries);
    }
}

} // namespace quarlo::bench
