// The parse thread's work on one saved page: loading, BASE and title, the extraction
// passes that queue and convert links, the banner, and the write-back.

#include "engine/LinkLog.h"
#include "engine/Queue.h"
#include "engine/TThreadParse.h"
#include "html/Banner.h"
#include "html/FileTypes.h"
#include "html/LinkConversion.h"
#include "html/LinkPasses.h"
#include "html/LinkScan.h"
#include "html/PagePasses.h"
#include "html/PageScanner.h"
#include "html/RobotsRules.h"
#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"
#include "model/TaskQueue.h"
#include "platform/FileUtil.h"
#include "platform/WriteFault.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace quarlo {

namespace {

// Longer names wait under a short one, so the waiting file fits the 255-byte name limit.
constexpr std::size_t kLongNameLimit = 200;

// The spelling under which the task's queue holds a URL, so that a link to a URL whose
// scheme or host is queued in another letter case names the file that was saved for it.
// Path and query are never respelled: the index compares them exactly.
QueuedSpelling queuedSpellingOf(TQLTask& task) {
    return [&task](const std::string& url) -> std::string {
        // With no capital in the scheme and host of the link or of any queued URL, the queue
        // can hold the link only as it is spelled: nothing to look up, and the lock, which
        // transfers take too, is left alone.
        if (!task.queue().holdsCapitalHosts() && !TaskQueue::capitalInHost(url))
            return std::string();
        std::lock_guard lock(task.mutex());
        const TaskQueue& queue = task.queue();
        const std::optional<std::size_t> entry = queue.find(url);
        // Most links are queued as they are spelled: nothing to copy for those.
        if (!entry || queue.url(*entry) == url)
            return std::string();
        return queue.url(*entry);
    };
}

} // namespace

void TThreadParse::showStatus(const std::string& text) {
    m_app.hooks().setStatusLine(text, -1);
}

// The caller holds the task's mutex.
TThreadParse::PageFiles TThreadParse::pageFilesOf(TQLQItem& item) const {
    TQLTask& task = *item.Task;
    PageFiles files;
    files.localFile = LocalName(item);
    files.startDirectory = task.startDirectory();
    if (!task.filePath().empty())
        files.linkLog = linkLogPath(task.queueFileName());
    return files;
}

void TThreadParse::ProcessPage(const PageFiles& files, QueueBatch& batch) {
    TQLQItem& item = *m_currentItem;
    TQLTask& task = *item.Task;
    m_baseHref.clear();
    // A saved style sheet waits in status Parsing: its text is style text, not HTML.
    m_stylesheet = item.Status == QueueStatus::Parsing;
    const std::string& localFile = files.localFile;
    showStatus("Loading Page: " + localFile);
    if (!loadPage(localFile)) {
        finishPage(QueueStatus::Error, &batch);
        return;
    }
    bool inPlace = true;
    // An empty page has no links, but it must leave "Saved", or it would be picked again on
    // every turn and the download would never finish.
    if (!m_pageText.empty()) {
        const FileTypes& types = threadFileTypes(m_app.settings());
        const LinkOptions options = linkOptions(task.profile());
        PagePasses links(types, options, item.URL, item.Level, files.startDirectory,
                         queuedSpellingOf(task));
        if (m_stylesheet)
            processStylesheetText(links);
        else
            processPageText(links, options);
        inPlace = savePage(files, links.rewrites(), batch);
    } else {
        finishPage(QueueStatus::Parsed, &batch);
    }
    m_pageText.clear();
    // Zip mode: the parsed page joins the zip list, which takes the item.
    if (inPlace && item.Status == QueueStatus::Parsed && !task.intranetMode()) {
        std::lock_guard lock(task.mutex());
        task.zipList().push_back({localFile, std::move(m_currentItem)});
    }
}

// BASE, title and robots meta tag, every extraction pass, and the banner.
void TThreadParse::processPageText(PagePasses& links, const LinkOptions& options) {
    const TQLQItem& item = *m_currentItem;
    TQLTask& task = *item.Task;
    links.takeBase(m_pageText);
    m_baseHref = links.baseHref();
    takeTitle();
    m_noFollow = task.profile().obeyRobots() && pageForbidsFollowing(m_pageText);
    PageScanner scanner(m_pageText);
    for (const LinkPass* pass : linkPassesFor(options.aggressiveParser))
        ExtractLinks(links, scanner, *pass);
    if (item.FrameFlag != "Y" && !m_app.noAds()) {
        for (const TextInsertion& block : insertBannerBlocks(m_pageText))
            links.rewrites().noteEdit(block.offset, 0, block.length);
    }
}

// A style sheet has neither BASE nor title nor banner: one pass over its url() and @import
// addresses, converted relative to its own file.
void TThreadParse::processStylesheetText(PagePasses& links) {
    m_noFollow = false;
    PageScanner scanner(m_pageText);
    ExtractLinks(links, scanner, stylesheetPass());
}

// The page's bytes as saved. A page whose file is missing or cannot be read (or whose URL
// has no local file) is not loaded.
bool TThreadParse::loadPage(const std::string& localFile) {
    m_pageText.clear();
    if (localFile.empty())
        return false;
    std::optional<std::string> text = readPageText(localFile);
    if (!text)
        return false;
    m_pageText = std::move(*text);
    return true;
}

// The first TITLE becomes the item's title; a start page's title (found or not) becomes the
// task's start page title.
void TThreadParse::takeTitle() {
    TQLQItem& item = *m_currentItem;
    if (std::string title = pageTitle(m_pageText); !title.empty())
        item.Title = std::move(title);
    if (item.Level == 0) {
        std::lock_guard lock(item.Task->mutex());
        item.Task->setStartPageTitle(item.Title);
    }
}

void TThreadParse::ExtractLinks(PagePasses& links, PageScanner& scanner, const LinkPass& pass) {
    m_links = 0;
    m_newLinks = 0;
    links.scanPass(scanner, pass, [&](const FoundLink& link) {
        if (link.followed && !m_noFollow)
            queueLink(link, pass);
        // Shown for every link: made in one piece.
        std::string status;
        status.reserve(64);
        status += "Parsing... Links: ";
        status += std::to_string(m_links);
        status += "  New Links: ";
        status += std::to_string(m_newLinks);
        showStatus(status);
    });
    showStatus(std::string());
}

// A followed link becomes a new entry unless the task knows its URL (without its "#" part,
// the letter case of scheme and host ignored). It inherits the page's mode, one level deeper; a map
// fetches pages only, so a resource found on a map page is queued unmarked.
void TThreadParse::queueLink(const FoundLink& link, const LinkPass& pass) {
    const TQLQItem& page = *m_currentItem;
    TQLTask& task = *page.Task;
    // One item serves every link: its texts keep their buffers from one link to the next.
    if (!m_newItem)
        m_newItem = std::make_unique<TQLQItem>();
    TQLQItem& item = *m_newItem;
    item.Task = &task;
    item.Title = link.title;
    item.Referrer = page.URL;
    item.FrameFlag.clear();
    if (pass.isFrame())
        item.FrameFlag = 'Y'; // a char: GCC 12 gives a false -Wrestrict for "Y"
    item.Level = page.Level + 1;
    item.Mode = page.Mode;
    item.BaseURL = link.baseUrl;
    item.URL = StripAnchor(link.url);
    item.FileType = link.category;
    if (!link.page() && item.Mode == QueueMode::Map)
        item.Mode = QueueMode::Unmarked;
    bool added = false;
    {
        std::lock_guard lock(task.mutex());
        added = AddNewItem(task, item);
    }
    ++m_links;
    // The dispatcher is woken once the page is done, not for every link.
    if (added)
        ++m_newLinks;
}

// The converted page is written beside its file, the page is marked "Parsed", and only then
// does the converted text take the file's place: a run killed in between resumes with a page
// whose links are all queued, and never parses a converted page a second time. The file
// beside the page is itself the temporary file (unflushed: the next checkpoint flushes it
// before it records the page as parsed). The page's rewritten links are recorded before it
// is marked "Parsed"; if it is parsed again, its new record replaces this
// one. False when the converted page is not in place.
bool TThreadParse::savePage(const PageFiles& files, const RewriteTracker& rewrites,
                            QueueBatch& batch) {
    const std::string& localFile = files.localFile;
    showStatus("Saving Changes: " + localFile);
    const std::string pending = pendingPagePath(localFile);
    bool inPlace = false;
    if (Status written = writeFileUnflushed(pending, m_pageText); !written) {
        pageNotWritten(written.message(), errno);
    } else if (Status recorded = recordLinks(files.linkLog, rewrites); !recorded) {
        const int error = errno;
        deleteFile(pending);
        pageNotWritten(recorded.message(), error);
    } else if (!finishPage(QueueStatus::Parsed, &batch)) {
        // "Parsed" did not reach the queue's journal: the converted page waits beside the
        // file, and the next run's start puts it in place or drops it as the saved queue says.
    } else if (std::rename(pending.c_str(), localFile.c_str()) != 0) {
        const int error = errno;
        deleteFile(pending);
        pageNotWritten("Unable to write to " + localFile + ": " + std::strerror(error), error);
    } else {
        inPlace = true;
    }
    m_pageText.clear();
    showStatus(std::string());
    return inPlace;
}

Status TThreadParse::recordLinks(const std::string& linkLog, const RewriteTracker& rewrites) {
    if (linkLog.empty())
        return {};
    return m_linkLog.append(linkLog, pageLinksText(m_currentItem->URL, rewrites, m_pageText));
}

// A page that cannot be written back fails; on a full or read-only disk the run fails
// instead, and the page stays "Saved" to be parsed by the next run.
void TThreadParse::pageNotWritten(const std::string& reason, int error) {
    if (!isOutputFault(error)) {
        finishPage(QueueStatus::Error);
        return;
    }
    TQLQItem& item = *m_currentItem;
    std::lock_guard lock(item.Task->mutex());
    item.Task->noteOutputFailure(reason);
    const QueueStatus waiting = m_stylesheet ? QueueStatus::Parsing : QueueStatus::Saved;
    if (item.Status != waiting) {
        SetStatus(item, waiting);
        StoreItem(item);
    }
}

// True when the change reached the queue's journal (or the queue keeps none). With a batch,
// the batch ends under the same lock, so that its records and this change go in one write.
bool TThreadParse::finishPage(QueueStatus status, QueueBatch* batch) {
    TQLQItem& item = *m_currentItem;
    std::lock_guard lock(item.Task->mutex());
    SetStatus(item, status);
    StoreItem(item);
    if (batch != nullptr)
        return batch->end(std::adopt_lock);
    return item.Task->queue().journalFailure().empty();
}

std::string TThreadParse::pendingPagePath(const std::string& localFile) {
    std::string name = fileNameOf(localFile);
    // A name near the length limit waits under a short one of its own.
    if (name.size() > kLongNameLimit) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(name));
        name = std::string("quarlo-") + hash;
    }
    return folderOf(localFile) + "." + name + ".parsed";
}

} // namespace quarlo
