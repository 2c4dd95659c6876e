// The download thread's side of the transfer slots: arming a slot with a queue item, and
// the progress and completion handlers that run on the slot's thread.

#include "engine/Queue.h"
#include "engine/RateLimiter.h"
#include "engine/SocketList.h"
#include "engine/TThreadDownload.h"
#include "engine/TThreadSocket.h"
#include "engine/TickCore.h"
#include "engine/WinInetErrors.h"
#include "html/StyleLinks.h"
#include "model/TQLApp.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <tuple>

namespace quarlo {

namespace {

// What a slot showed at the end of its transfer, read before the task's lock is taken.
struct SlotResult {
    std::string state;
    int64_t size = 0;
    int64_t bytes = 0;
    std::string resultText;
    std::string lastModified;
    bool notModified = false;
    TickResult error;
    std::string retryAfter;
    std::string contentType;
    int64_t bodyBytes = 0; // received, whatever the outcome
};

SlotResult readSlot(const TThreadSocket& slot) {
    return {slot.State(),
            slot.Size(),
            slot.BytesReceived(),
            slot.ResultText(),
            slot.LastModified(),
            slot.notModified(),
            {slot.errorCode(), slot.errorText()},
            slot.RetryAfter(),
            slot.ContentType(),
            slot.bodyBytes()};
}

// Adds the body bytes not counted yet to the task's total. The caller holds the task's mutex.
void countBytes(TQLQItem& item, int64_t bytes) {
    item.Task->counters().BytesDownloaded += bytes - item.BytesCounted;
    item.BytesCounted = bytes;
}

// A failure that may pass: an answer asking to come back later, a reset or a timeout.
bool worthRetrying(const SlotResult& r) {
    if (r.state != TThreadSocket::kError)
        return false;
    if (r.error.code == kTickBadStatus) {
        const int status = std::atoi(r.resultText.c_str());
        return status == 429 || status == 502 || status == 503 || status == 504;
    }
    return r.error.code == kInetConnectionReset || r.error.code == kInetTimeout;
}

// The host did not take the connection at all.
bool hostRefused(const SlotResult& r) {
    return r.state == TThreadSocket::kError &&
           (r.error.code == kInetNameNotResolved || r.error.code == kInetCannotConnect);
}

// Puts an entry whose transfer may pass back in the queue (status 0 with the answer as its
// message) while its run has attempts left. The caller holds the task's mutex. The attempt
// that failed; 0 when the entry was not put back.
int putBackForRetry(TQLTask& task, TQLQItem& item, const SlotResult& r) {
    const auto entry = task.queue().find(item.URL);
    if (!entry || !worthRetrying(r))
        return 0;
    const int attempts = task.queue().attempts(*entry);
    if (attempts >= kAttemptsPerRun)
        return 0;
    item.Message = r.error.code == kTickBadStatus ? r.resultText : r.error.message();
    SetStatus(item, QueueStatus::None);
    StoreItem(item);
    return attempts;
}

// Whether a saved file holds a body kept compressed, as earlier versions saved the answers of
// servers that compress unasked: it starts with a gzip or zstd signature, and its name is not
// one of a file that is compressed in its own right.
bool savedCompressed(const std::string& localFile) {
    static constexpr std::string_view kOwnCodings[] = {".gz", ".tgz", ".svgz", ".zst", ".tzst"};
    const std::string extension = asciiLower(extensionOf(localFile));
    for (std::string_view own : kOwnCodings)
        if (extension == own)
            return false;
    std::ifstream file(localFile, std::ios::binary);
    char head[4] = {};
    file.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(file.gcount()));
    return bytes.starts_with("\x1F\x8B") || bytes == "\x28\xB5\x2F\xFD";
}

// A stored copy is re-validated rather than fetched again when the entry is being updated,
// its date is known, its file is there, kept as received, and its last transfer was not cut
// short.
bool revalidates(const TQLQItem& item, const std::string& localFile) {
    return item.Mode == QueueMode::Update && !item.LastModified.empty() &&
           item.Message != kTransferIncomplete && !localFile.empty() && fileExists(localFile) &&
           !savedCompressed(localFile);
}

// The size limits of the profile for the item, in bytes (the profile keeps kilobytes).
std::pair<int64_t, int64_t> sizeLimitsOf(const TQLProfile& profile, bool page) {
    constexpr int64_t kKilobyte = 1024;
    const int64_t low = page ? profile.pageFileSizeMin() : profile.resourceFileSizeMin();
    const int64_t high = page ? profile.pageFileSizeMax() : profile.resourceFileSizeMax();
    return {std::max<int64_t>(0, low) * kKilobyte, std::max<int64_t>(0, high) * kKilobyte};
}

// "Skipped: larger than 1000 KB": why a file outside the size limits was not kept.
std::string skippedMessage(const TQLProfile& profile, bool page, bool tooLarge) {
    const auto [low, high] = sizeLimitsOf(profile, page);
    return tooLarge ? "Skipped: larger than " + std::to_string(high / 1024) + " KB"
                    : "Skipped: smaller than " + std::to_string(low / 1024) + " KB";
}

// Records the transfer's outcome in the item and the counters. The caller holds the task's
// mutex. True when the transfer completed; retryAttempt is set to the failed attempt when
// the entry was put back for a retry.
bool recordOutcome(TQLTask& task, TQLQItem& item, const SlotResult& r, int& retryAttempt) {
    TaskCounters& counters = task.counters();
    const bool page = item.isPage();
    const bool complete = r.state == TThreadSocket::kComplete;
    item.BytesReceived = r.bytes;
    item.Message = r.resultText;
    // A copy found unchanged keeps the size and date it was stored with.
    if (!(complete && r.notModified)) {
        item.Size = r.size != 0 ? r.size : r.bytes;
        item.LastModified = r.lastModified;
    }
    if (r.state == TThreadSocket::kError && r.error.code == kTickDiskFault) {
        // The disk failed, not the file: it is fetched again by a run that can write it.
        SetStatus(item, QueueStatus::None);
        item.Message = kTransferIncomplete;
        task.noteOutputFailure(r.error.text);
    } else if (r.state == TThreadSocket::kError &&
               (r.error.code == kTickTooLarge || r.error.code == kTickTooSmall)) {
        // Not an error of the file: it is left unmarked, so no later run fetches it again.
        item.Mode = QueueMode::Unmarked;
        SetStatus(item, QueueStatus::None);
        item.Message = skippedMessage(task.profile(), page, r.error.code == kTickTooLarge);
        item.BytesReceived = 0;
    } else if ((retryAttempt = putBackForRetry(task, item, r)) > 0) {
        return false;
    } else if (r.state == TThreadSocket::kError) {
        // An answer with an error status keeps its status line; any other failure (no
        // answer, a file that cannot be written, a body cut short) says what went wrong.
        if (r.error.code != kTickBadStatus)
            item.Message = r.error.message();
        SetStatus(item, QueueStatus::Error);
        ++(page ? counters.PageErrors : counters.ResourceErrors);
    } else if (complete) {
        // An unchanged page was converted and its links queued when it was first saved:
        // parsing it again would queue links of the converted text.
        const bool parsed = page && r.notModified;
        // A new style sheet waits in status Parsing for its links to be taken; an unchanged
        // one was converted when it was first saved.
        const bool stylesheet = !r.notModified && isStylesheetAnswer(r.contentType, item.URL);
        SetStatus(item, stylesheet ? QueueStatus::Parsing
                        : parsed   ? QueueStatus::Parsed
                                   : QueueStatus::Saved);
        ++(page ? counters.PagesSaved : counters.ResourcesSaved);
    } else {
        SetStatus(item, QueueStatus::None);
        item.Message = kTransferIncomplete;
    }
    StoreItem(item);
    return complete;
}

} // namespace

bool TThreadDownload::ArmSlot(TThreadSocket& slot, std::unique_ptr<TQLQItem> item) {
    // Held throughout, so that a stop either comes first (nothing is armed) or finds the
    // slot busy and stops it.
    std::lock_guard arming(m_armMutex);
    if (m_stopRequested)
        return false;
    TQLTask& task = *item->Task;
    TQLQItem* raw = item.get();
    std::string localFile, user, password, ifModifiedSince;
    bool useCache = false;
    TransferSettings settings = m_network;
    settings.rateLimiter = &m_rateLimiter;
    m_rateLimiter.setRate(static_cast<int64_t>(m_app.maxRate()) * 1024);
    {
        std::lock_guard lock(task.mutex());
        if (item->Mode == QueueMode::Update) {
            SetStatus(*item, QueueStatus::Updating);
            useCache = true;
        } else {
            SetStatus(*item, QueueStatus::Downloading);
            useCache = item->Message == kTransferIncomplete;
        }
        localFile = LocalName(*item);
        if (revalidates(*item, localFile))
            ifModifiedSince = item->LastModified;
        StoreTransferStart(*item);
        user = task.userName();
        password = task.password();
        std::tie(settings.minBytes, settings.maxBytes) =
            sizeLimitsOf(task.profile(), raw->isPage());
        std::lock_guard items(m_itemsMutex);
        m_inFlight[&slot] = std::move(item);
    }
    slot.setOnDone([this](TThreadSocket& s) { TransferDone(s); });
    slot.setOnProgress([this](TThreadSocket& s) { TransferProgress(s); });
    slot.setLocalFile(localFile);
    slot.setItem(raw);
    slot.setUseCache(useCache);
    slot.setUserAgent(m_userAgent);
    slot.setUser(user);
    slot.setPassword(password);
    slot.setCredentialHost(m_credentialHost);
    slot.setIfModifiedSince(ifModifiedSince);
    slot.setTransferSettings(std::move(settings));
    slot.setURL(raw->URL);
    return true;
}

void TThreadDownload::TransferProgress(TThreadSocket& slot) {
    const int64_t bytes = slot.BytesReceived();
    const int64_t size = slot.Size();
    // The block that completes the body ends the transfer: TransferDone counts it, under the
    // lock it takes anyway.
    if (size > 0 && bytes >= size)
        return;
    TQLQItem* item = itemOf(slot);
    if (item == nullptr)
        return;
    std::lock_guard lock(item->Task->mutex());
    item->BytesReceived = bytes;
    item->Size = size;
    countBytes(*item, bytes);
}

void TThreadDownload::TransferDone(TThreadSocket& slot) {
    const SlotResult result = readSlot(slot);
    std::unique_ptr<TQLQItem> item = takeItem(slot);
    bool pageSaved = false;
    bool hostWaits = false;
    if (item) {
        TQLTask& task = *item->Task;
        std::lock_guard lock(task.mutex());
        countBytes(*item, result.bodyBytes);
        int retryAttempt = 0;
        const bool complete = recordOutcome(task, *item, result, retryAttempt);
        hostWaits = retryAttempt > 0 || hostRefused(result);
        noteHostOutcome(item->URL, result.retryAfter, retryAttempt, item->Message,
                        hostRefused(result));
        pageSaved = complete && item->waitsForParsing();
        // Zip mode: a completed resource (or an unchanged page, which is not parsed again)
        // waits in the zip list for the archive; every other item is released here. What
        // waits for parsing reaches the list from the parse thread, converted.
        if (complete && !task.intranetMode() && !item->waitsForParsing() &&
            (!item->isPage() || result.notModified)) {
            std::string local = LocalName(*item);
            task.zipList().push_back({std::move(local), std::move(item)});
        }
    }
    if (pageSaved) {
        std::function<void()> onPageSaved;
        {
            std::lock_guard lock(m_control);
            onPageSaved = m_onPageSaved;
        }
        if (onPageSaved)
            onPageSaved();
    }
    const bool handedOn = takeNextItem(slot);
    if (!handedOn)
        slot.Reset();
    m_app.hooks().refreshConnections();
    // The download thread is woken only when it has something to decide: a slot that found
    // nothing to take when no other transfer runs (which may be the end of the download; a
    // transfer still running takes this decision when it ends), a slot it must arm itself, a
    // host's new wait, or a robots.txt to ask for.
    const bool decide = !handedOn && (!m_slotsTakeWork || m_stopRequested || !slotInUse(slot) ||
                                      m_sockets.busyCount() == 0);
    if (decide || hostWaits || m_hosts.robotsRequestsWaiting())
        notifyWork();
}

bool TThreadDownload::takeNextItem(TThreadSocket& slot) {
    if (!m_slotsTakeWork || m_stopRequested)
        return false;
    std::lock_guard dispatching(m_dispatchMutex);
    TQLTask* task = m_task;
    return task != nullptr && slotInUse(slot) && armWithNextItem(slot, *task);
}

void TThreadDownload::workQueued() {
    bool decide = true;
    // While a slot whose transfer ended hands out work, the download thread hands out the new
    // work instead: the caller, the parse thread, whose pages the download waits for, does
    // not wait for that slot.
    std::unique_lock dispatching(m_dispatchMutex, std::defer_lock);
    if (m_slotsTakeWork && !m_stopRequested && dispatching.try_lock()) {
        TQLTask* task = m_task;
        TThreadSocket* slot = m_sockets.firstIdle();
        while (task != nullptr && slot != nullptr && slotInUse(*slot) &&
               armWithNextItem(*slot, *task))
            slot = m_sockets.firstIdle();
        // Nothing is left to decide while a transfer runs: the slot that ends it takes the
        // next item itself, or wakes the download thread when it finds none.
        decide = slot != nullptr && m_sockets.busyCount() == 0;
    }
    if (decide || m_hosts.robotsRequestsWaiting())
        notifyWork();
}

bool TThreadDownload::armWithNextItem(TThreadSocket& slot, TQLTask& task) {
    std::unique_ptr<TQLQItem> item;
    {
        std::lock_guard lock(task.mutex());
        if (!task.outputFailure().empty())
            return false;
        item = selectItem(task, std::chrono::steady_clock::now());
    }
    if (!item)
        return false;
    const std::string url = item->URL;
    slot.Reset();
    if (!ArmSlot(slot, std::move(item))) {
        m_hosts.noteDone(url);
        return false;
    }
    return true;
}

bool TThreadDownload::slotInUse(const TThreadSocket& slot) const {
    const int index = m_sockets.indexOf(&slot);
    return index >= 0 && index < m_app.connections();
}

void TThreadDownload::noteHostOutcome(const std::string& url, const std::string& retryAfter,
                                      int retryAttempt, const std::string& why, bool refused) {
    const auto now = std::chrono::steady_clock::now();
    m_hosts.noteDone(url);
    if (refused)
        m_hosts.noteRefusal(url, why);
    if (retryAttempt > 0) {
        const auto after = parseRetryAfter(retryAfter, std::chrono::system_clock::now());
        m_hosts.noteWait(url, retryDelay(retryAttempt, after), why, now);
    }
}

std::unique_ptr<TQLQItem> TThreadDownload::takeItem(TThreadSocket& slot) {
    std::lock_guard lock(m_itemsMutex);
    auto found = m_inFlight.find(&slot);
    if (found == m_inFlight.end())
        return nullptr;
    std::unique_ptr<TQLQItem> item = std::move(found->second);
    m_inFlight.erase(found);
    return item;
}

TQLQItem* TThreadDownload::itemOf(TThreadSocket& slot) {
    std::lock_guard lock(m_itemsMutex);
    auto found = m_inFlight.find(&slot);
    return found == m_inFlight.end() ? nullptr : found->second.get();
}

} // namespace quarlo
