#include "engine/SocketList.h"
#include "engine/TThreadSocket.h"
#include "engine/WinInetErrors.h"
#include "support/LoopbackServer.h"
#include "support/RawLoopbackServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sched.h>

using namespace std::chrono_literals;

// In the test support's namespace: its servers and file helpers by their own names.
namespace quarlo::test {
namespace {

// What a slot showed when its OnDone fired.
struct Outcome {
    std::string state;
    std::string resultText;
    std::string lastModified;
    int64_t size = 0;
    int64_t bytes = 0;
    int32_t code = 0;
    std::string text;
    bool notModified = false;
};

// Counts OnDone calls of the slots it is attached to and keeps the last outcome.
class DoneWatch {
public:
    void attach(TThreadSocket& slot, bool reset = true) {
        slot.setOnDone([this, reset](TThreadSocket& s) {
            Outcome o{s.State(),         s.ResultText(), s.LastModified(), s.Size(),
                      s.BytesReceived(), s.errorCode(),  s.errorText(),    s.notModified()};
            if (reset)
                s.Reset();
            std::lock_guard lock(m_mutex);
            m_last = o;
            ++m_count;
            m_changed.notify_all();
        });
        slot.setOnProgress([this](TThreadSocket&) { ++m_progress; });
    }
    bool waitFor(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_count >= count; });
    }
    int count() const {
        std::lock_guard lock(m_mutex);
        return m_count;
    }
    Outcome last() const {
        std::lock_guard lock(m_mutex);
        return m_last;
    }
    int progress() const { return m_progress; }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
    Outcome m_last;
    std::atomic<int> m_progress{0};
};

// A door a stalling handler waits at until the test opens it (or the server stops).
class Gate {
public:
    void open() { m_open = true; }
    void wait(const LoopbackServer& server) const {
        while (!m_open && server.pause(10ms)) {
        }
    }

private:
    std::atomic<bool> m_open{false};
};

bool waitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

class SocketListTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.server().Get("/page.html",
                            [this](const httplib::Request& req, httplib::Response& res) {
                                std::lock_guard lock(m_mutex);
                                m_agent = req.get_header_value("User-Agent");
                                m_ifModifiedSince = req.get_header_value("If-Modified-Since");
                                if (!m_ifModifiedSince.empty()) {
                                    res.status = 304;
                                    return;
                                }
                                res.set_header("Last-Modified", "Wed, 21 Oct 2015 07:28:00 GMT");
                                res.set_content("<html>page</html>", "text/html");
                            });
        server.server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("no such page", "text/html");
        });
        server.server().Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000, "text/plain",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0)
                                             sink.write("first block", 11);
                                         gate.wait(server);
                                         return false;
                                     });
        });
        server.server().Get("/hold", [this](const httplib::Request&, httplib::Response& res) {
            gate.wait(server);
            res.set_content("held", "text/plain");
        });
        ASSERT_TRUE(server.start());
    }
    std::string file(const std::string& name = "page.html") { return dir.path() + name; }
    std::string requestHeader(bool modifiedSince) {
        std::lock_guard lock(m_mutex);
        return modifiedSince ? m_ifModifiedSince : m_agent;
    }
    void arm(TThreadSocket& slot, const std::string& url, const std::string& local) {
        slot.setLocalFile(local);
        slot.setUserAgent("QuarloTest/1.0");
        slot.setURL(url);
    }

    TempDir dir;
    Gate gate;
    LoopbackServer server;
    std::mutex m_mutex;
    std::string m_agent;
    std::string m_ifModifiedSince;
};

TEST_F(SocketListTest, ArmedSlotFetchesAndReportsOnceThenConditionalGetKeepsTheFile) {
    TThreadSocket slot;
    DoneWatch done;
    done.attach(slot, false);
    arm(slot, server.url("/page.html"), file("site/sub/page.html"));
    ASSERT_TRUE(done.waitFor(1));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(done.count(), 1);
    // Busy until the completion handler resets it.
    EXPECT_TRUE(slot.busy());
    Outcome o = done.last();
    EXPECT_EQ(o.state, "Transfer Complete");
    EXPECT_EQ(o.resultText, "200 OK");
    EXPECT_EQ(o.lastModified, " Wed, 21 Oct 2015 07:28:00 GMT");
    EXPECT_EQ(o.size, 17);
    EXPECT_EQ(o.bytes, 17);
    EXPECT_GE(done.progress(), 1);
    EXPECT_EQ(readWholeFile(file("site/sub/page.html")), "<html>page</html>");
    EXPECT_EQ(requestHeader(false), "QuarloTest/1.0");

    slot.Reset();
    EXPECT_FALSE(slot.busy());
    EXPECT_EQ(slot.State(), "");
    EXPECT_EQ(slot.Size(), 0);
    EXPECT_EQ(slot.UserAgent(), "");

    // The scheme in capitals is fetched; a 304 leaves the file and is complete.
    writeWholeFile(file("site/sub/page.html"), "earlier copy");
    done.attach(slot);
    slot.setIfModifiedSince(" Wed, 21 Oct 2015 07:28:00 GMT");
    arm(slot, "HTTP://127.0.0.1:" + std::to_string(server.port()) + "/page.html",
        file("site/sub/page.html"));
    ASSERT_TRUE(done.waitFor(2));
    o = done.last();
    EXPECT_EQ(requestHeader(true), "Wed, 21 Oct 2015 07:28:00 GMT");
    EXPECT_EQ(o.state, "Transfer Complete");
    EXPECT_TRUE(o.notModified);
    EXPECT_EQ(o.resultText, "304 Not Modified");
    EXPECT_EQ(readWholeFile(file("site/sub/page.html")), "earlier copy");
}

TEST_F(SocketListTest, ContentLengthVariantsFromRawServer) {
    RawLoopbackServer raw(RawLoopbackServer::oddAnswers());
    ASSERT_TRUE(raw.listening());
    struct Case {
        std::string path;
        int64_t size;
        int64_t bytes;
    };
    const Case cases[] = {{"/lower", 5, 5}, {"/odd", 0, 4}, {"/none", 0, 14}};
    TThreadSocket slot;
    DoneWatch done;
    int expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        done.attach(slot);
        arm(slot, raw.url(c.path), file("raw.txt"));
        ASSERT_TRUE(done.waitFor(++expected));
        EXPECT_EQ(done.last().state, "Transfer Complete");
        EXPECT_EQ(done.last().size, c.size);
        EXPECT_EQ(done.last().bytes, c.bytes);
    }
}

TEST_F(SocketListTest, FailedTransfersEndThroughOnDoneAndTheSlotGoesOn) {
    LoopbackServer dead;
    ASSERT_TRUE(dead.start());
    const std::string deadUrl = dead.url("/x.html");
    dead.stop();
    writeWholeFile(file("blocker"), "a file where a folder should be");

    struct Case {
        std::string url;
        std::string local;
        int32_t code;
        std::string resultText;
    };
    const std::vector<Case> cases = {
        {server.url("/missing"), file("missing.html"), kTickBadStatus, "404 Not Found"},
        {deadUrl, file("dead.html"), kInetCannotConnect, ""},
        {"ftp://127.0.0.1/file.txt", file("ftp.txt"), kTickBadScheme, ""},
        {"mailto:someone@example.com", file("mail.txt"), kTickBadScheme, ""},
        {"http://host:12ab/", file("port.html"), kTickBadScheme, ""},
        {server.url("/page.html"), file("blocker/sub/page.html"), kTickCantOpenFile, "200 OK"},
        {server.url("/page.html"), "", kTickCantOpenFile, ""},
    };
    TThreadSocket slot;
    DoneWatch done;
    int expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " -> " + c.local);
        done.attach(slot);
        arm(slot, c.url, c.local);
        ASSERT_TRUE(done.waitFor(++expected));
        const Outcome o = done.last();
        EXPECT_EQ(o.state, "Error");
        EXPECT_EQ(o.code, c.code);
        EXPECT_FALSE(o.text.empty());
        EXPECT_EQ(o.resultText, c.resultText);
        EXPECT_EQ(o.size, 0);
        EXPECT_EQ(o.bytes, 0);
        // The idle slot's row keeps saying why, as the queue entry does.
        const std::string why =
            c.code == kTickBadStatus ? c.resultText : std::to_string(c.code) + ": " + o.text;
        EXPECT_EQ(slot.view().failure, why);
    }
    EXPECT_EQ(readWholeFile(file("missing.html")), "no such page");
}

TEST_F(SocketListTest, StoppedTransfersNeverCountAsComplete) {
    TThreadSocket slot;
    DoneWatch done;
    // An idle slot has nothing to stop.
    slot.Stop();
    EXPECT_EQ(slot.State(), "");

    // Mid-body: the earlier copy stays and OnDone fires once.
    writeWholeFile(file("stall.txt"), "earlier copy");
    done.attach(slot);
    arm(slot, server.url("/stall"), file("stall.txt"));
    ASSERT_TRUE(waitUntil([&] { return slot.BytesReceived() > 0; }));
    slot.Stop();
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_EQ(done.last().state, "Transfer Stopped");
    EXPECT_EQ(done.last().bytes, 11);
    EXPECT_EQ(readWholeFile(file("stall.txt")), "earlier copy");

    // A stop right after arming, before or while the request is made, is a stop too. The
    // answer is held back until the loop ends, so a slow test thread cannot see it complete.
    for (int i = 0; i < 20; ++i) {
        done.attach(slot);
        arm(slot, server.url("/hold"), file("quick.html"));
        slot.Stop();
        ASSERT_TRUE(done.waitFor(2 + i));
        EXPECT_EQ(done.last().state, "Transfer Stopped");
    }
    gate.open();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(done.count(), 21);
}

TEST_F(SocketListTest, TlsFailureIsAFailedTransfer) {
    TempDir keys;
    const std::string command = "cd '" + keys.path() +
                                "' && openssl req -x509 -newkey ec -pkeyopt "
                                "ec_paramgen_curve:prime256v1 -nodes -keyout self.key -out "
                                "self.pem -subj /CN=127.0.0.1 -days 2 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    LoopbackServer tls(keys.path() + "self.pem", keys.path() + "self.key");
    tls.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("secret", "text/html");
    });
    ASSERT_TRUE(tls.start());
    TThreadSocket slot;
    DoneWatch done;
    done.attach(slot);
    arm(slot, tls.url("/"), file("tls.html"));
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_EQ(done.last().state, "Error");
    const int32_t code = done.last().code;
    EXPECT_TRUE(code == kInetInvalidCA || code == kInetInvalidCert ||
                code == kInetSecurityChannelError)
        << code;
    EXPECT_FALSE(readWholeFile(file("tls.html")) == "secret");
}

TEST_F(SocketListTest, SocketCountGrowsAndShrinksAroundBusySlots) {
    SocketList list;
    list.SetSocketCount(5);
    ASSERT_EQ(list.count(), 5);
    TThreadSocket* first = list.slot(0);
    list.SetSocketCount(8);
    ASSERT_EQ(list.count(), 8);
    EXPECT_EQ(list.slot(0), first);
    EXPECT_EQ(list.firstIdle(), first);

    TThreadSocket* busy1 = list.slot(1);
    TThreadSocket* busy6 = list.slot(6);
    DoneWatch done;
    done.attach(*busy1);
    done.attach(*busy6);
    arm(*busy1, server.url("/hold"), file("one.txt"));
    arm(*busy6, server.url("/hold"), file("six.txt"));
    EXPECT_EQ(list.busyCount(), 2);

    // Idle slots go from the end until three remain; the busy ones stay.
    list.SetSocketCount(3);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.slot(0), first);
    EXPECT_EQ(list.slot(1), busy1);
    EXPECT_EQ(list.slot(2), busy6);
    EXPECT_EQ(list.firstIdle(), first);

    // Lower than the busy slots allow: the list stays longer until they are idle.
    list.SetSocketCount(1);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.slot(0), busy1);
    EXPECT_EQ(list.firstIdle(), nullptr);

    gate.open();
    ASSERT_TRUE(done.waitFor(2));
    EXPECT_EQ(done.last().state, "Transfer Complete");
    EXPECT_EQ(readWholeFile(file("six.txt")), "held");
    ASSERT_TRUE(waitUntil([&] { return list.busyCount() == 0; }));
    list.SetSocketCount(1);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.slot(0), busy1);
}

TEST_F(SocketListTest, StopAllStopsEveryBusySlotAndFreeingIsPrompt) {
    auto list = std::make_unique<SocketList>();
    list->SetSocketCount(4);
    DoneWatch done;
    for (int i = 0; i < 3; ++i) {
        done.attach(*list->slot(i));
        arm(*list->slot(i), server.url("/hold"), file("hold" + std::to_string(i) + ".txt"));
    }
    ASSERT_TRUE(waitUntil([&] {
        return list->view()[2].state.find("Successfully sent") != std::string::npos ||
               list->view()[2].state.find("Waiting") != std::string::npos;
    }));
    list->StopAll();
    ASSERT_TRUE(done.waitFor(3));
    EXPECT_EQ(done.last().state, "Transfer Stopped");
    ASSERT_TRUE(waitUntil([&] { return list->busyCount() == 0; }));

    // A list freed with a transfer under way stops it; OnDone still fires.
    done.attach(*list->slot(3));
    arm(*list->slot(3), server.url("/hold"), file("last.txt"));
    list.reset();
    EXPECT_EQ(done.count(), 4);
    EXPECT_EQ(done.last().state, "Transfer Stopped");
}

// Transfer threads run under the batch policy: waking one does not preempt the thread that
// armed it (the parse thread, whose pages the download waits for).
TEST_F(SocketListTest, TransferThreadsRunUnderTheBatchPolicy) {
    SocketList list;
    list.SetSocketCount(1);
    std::atomic<int> policy{-1};
    DoneWatch done;
    done.attach(*list.slot(0));
    list.slot(0)->setOnProgress([&](TThreadSocket&) { policy = sched_getscheduler(0); });
    arm(*list.slot(0), server.url("/page.html"), file("policy.html"));
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_EQ(policy.load(), SCHED_BATCH);
}

} // namespace
} // namespace quarlo::test
