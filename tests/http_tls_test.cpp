#include "engine/TickHTTPS.h"
#include "engine/WinInetErrors.h"
#include "platform/FileUtil.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using quarlo::test::LoopbackServer;
using quarlo::test::readWholeFile;
using quarlo::test::TempDir;

namespace quarlo {
namespace {

// Certificates made for the suite with the openssl command: a test authority, server
// certificates it signed (good, expired, for another name) and a self-signed one.
class HttpTlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        s_ready = run("req -x509" + ec + " -keyout ca.key -out ca.pem -subj /CN=QuarloTestCA" +
                      " -days 2") &&
                  signedLeaf("good", "IP:127.0.0.1,DNS:localhost", "2") &&
                  signedLeaf("expired", "IP:127.0.0.1,DNS:localhost", "-1") &&
                  signedLeaf("wrongname", "DNS:other.test", "2") &&
                  run("req -x509" + ec + " -keyout self.key -out self.pem -subj /CN=127.0.0.1" +
                      " -addext subjectAltName=IP:127.0.0.1 -days 2");
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static bool run(const std::string& arguments) {
        const std::string command =
            "cd '" + s_dir->path() + "' && openssl " + arguments + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }
    static bool signedLeaf(const std::string& name, const std::string& altNames,
                           const std::string& days) {
        quarlo::test::writeWholeFile(path(name + ".ext"), "subjectAltName=" + altNames + "\n");
        return run("req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " + name +
                   ".key -out " + name + ".csr -subj /CN=" + name) &&
               run("x509 -req -in " + name + ".csr -CA ca.pem -CAkey ca.key -CAcreateserial -out " +
                   name + ".pem -days " + days + " -extfile " + name + ".ext");
    }
    static std::string path(const std::string& name) { return s_dir->path() + name; }

    // Fetches the root of a server presenting the named certificate.
    TickResult fetch(const std::string& certificate, bool trustTestAuthority = true) {
        LoopbackServer server(path(certificate + ".pem"), path(certificate + ".key"));
        server.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("secure page", "text/html");
        });
        if (!server.start())
            return TickResult::failure(-1, "server did not start");
        TickHTTPS client;
        if (trustTestAuthority)
            client.setCaBundle(path("ca.pem"));
        client.setURL(server.url("/"));
        client.setLocalFile(path(certificate + ".html"));
        return client.get();
    }

    static inline std::unique_ptr<TempDir> s_dir;
    static inline bool s_ready = false;
};

TEST_F(HttpTlsTest, VerifiesCertificates) {
    ASSERT_TRUE(s_ready) << "openssl could not make the certificates";

    TickResult good = fetch("good");
    EXPECT_TRUE(good.ok()) << good.message();
    EXPECT_EQ(readWholeFile(path("good.html")), "secure page");

    struct Case {
        std::string certificate;
        bool trusted;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {"good", false, kInetInvalidCA},
        {"expired", true, kInetCertDateInvalid},
        {"wrongname", true, kInetCertNameInvalid},
        {"self", true, kInetInvalidCA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.certificate);
        std::remove(path(c.certificate + ".html").c_str());
        TickResult result = fetch(c.certificate, c.trusted);
        EXPECT_EQ(result.code, c.code) << result.message();
        EXPECT_EQ(result.text, tickErrorText(c.code));
        EXPECT_TRUE(readWholeFile(path(c.certificate + ".html")).empty());
    }
}

TEST_F(HttpTlsTest, AnyCertificateIsAcceptedFromTheChosenHostOnly) {
    ASSERT_TRUE(s_ready) << "openssl could not make the certificates";
    LoopbackServer other(path("self.pem"), path("self.key"));
    other.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("other host", "text/html");
    });
    ASSERT_TRUE(other.start());
    LoopbackServer self(path("self.pem"), path("self.key"));
    self.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("self-signed page", "text/html");
    });
    self.server().Get(
        "/here", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/"); });
    const std::string away = other.urlFor("localhost", "/");
    self.server().Get("/away", [away](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(away);
    });
    ASSERT_TRUE(self.start());

    struct Case {
        std::string insecureHost;
        std::string path;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1", "/", 0},
        {"127.0.0.1", "/here", 0},
        {"", "/", kInetInvalidCA},
        {"localhost", "/", kInetInvalidCA},
        // The redirect leaves the accepted host: the other host's certificate is checked.
        {"127.0.0.1", "/away", kInetInvalidCA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.insecureHost + c.path);
        const std::string local = path("insecure.html");
        std::remove(local.c_str());
        TickHTTPS client;
        client.setInsecureHost(c.insecureHost);
        client.setURL(self.url(c.path));
        client.setLocalFile(local);
        const TickResult result = client.get();
        EXPECT_EQ(result.code, c.code) << result.message();
        EXPECT_EQ(readWholeFile(local), c.code == 0 ? "self-signed page" : "");
    }
}

TEST_F(HttpTlsTest, ARedirectThatLeavesTheAcceptedHostKeepsTheRedirectsLeft) {
    ASSERT_TRUE(s_ready) << "openssl could not make the certificates";
    // Three redirects in all: /r1 -> /r2 and /r2 -> the verified host on the accepted one,
    // /o1 -> /final on the verified host.
    LoopbackServer verified(path("good.pem"), path("good.key"));
    verified.server().Get(
        "/o1", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/final"); });
    verified.server().Get("/final", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("end of the chain", "text/html");
    });
    ASSERT_TRUE(verified.start());
    LoopbackServer self(path("self.pem"), path("self.key"));
    self.server().Get(
        "/r1", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/r2"); });
    const std::string away = verified.urlFor("localhost", "/o1");
    self.server().Get(
        "/r2", [away](const httplib::Request&, httplib::Response& res) { res.set_redirect(away); });
    ASSERT_TRUE(self.start());

    const std::vector<std::pair<long, int32_t>> cases = {{3, 0}, {2, kHttpRedirectFailed}};
    for (const auto& [limit, code] : cases) {
        SCOPED_TRACE(limit);
        const std::string local = path("chain.html");
        std::remove(local.c_str());
        TickHTTPS client;
        client.setCaBundle(path("ca.pem"));
        client.setInsecureHost("127.0.0.1");
        client.setMaxRedirects(limit);
        client.setURL(self.url("/r1"));
        client.setLocalFile(local);
        const TickResult result = client.get();
        EXPECT_EQ(result.code, code) << result.message();
        EXPECT_EQ(readWholeFile(local), code == 0 ? "end of the chain" : "");
    }
}

// A free port of 127.0.0.1 at the time of asking.
int freePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(probe);
    return port;
}

bool accepts(int port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

// An nginx of the system serving a folder over TLS with HTTP/2, in the foreground.
class Http2Server {
public:
    Http2Server(const std::string& dir, const std::string& certificate, const std::string& key)
        : m_port(freePort()) {
        EXPECT_TRUE(forceDirectories(dir + "www").ok());
        quarlo::test::writeWholeFile(dir + "www/index.html", "served over h2");
        quarlo::test::writeWholeFile(dir + "www/two.html", "second file");
        const std::string conf =
            "daemon off; master_process off; pid " + dir + "nginx.pid; error_log " + dir +
            "error.log;\nevents {}\nhttp {\n access_log off;\n client_body_temp_path " + dir +
            "t1; proxy_temp_path " + dir + "t2; fastcgi_temp_path " + dir + "t3; uwsgi_temp_path " +
            dir + "t4; scgi_temp_path " + dir +
            "t5;\n server {\n  listen 127.0.0.1:" + std::to_string(m_port) +
            " ssl http2;\n  ssl_certificate " + certificate + ";\n  ssl_certificate_key " + key +
            ";\n  root " + dir + "www;\n }\n}\n";
        quarlo::test::writeWholeFile(dir + "nginx.conf", conf);
        const std::string confPath = dir + "nginx.conf";
        const std::string errorLog = dir + "error.log";
        std::vector<std::string> words = {"nginx", "-p", dir, "-c", confPath, "-e", errorLog};
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&m_pid, "nginx", nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        for (int i = 0; i < 100 && m_pid > 0 && !accepts(m_port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~Http2Server() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return m_pid > 0 && accepts(m_port); }
    std::string url(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    int m_port;
    pid_t m_pid = -1;
};

TEST_F(HttpTlsTest, UsesHttp2WhenTheServerOffersItAndKeepsTheConnection) {
    ASSERT_TRUE(s_ready) << "openssl could not make the certificates";
    if (std::system("nginx -V 2>&1 | grep -q http_v2_module") != 0)
        GTEST_SKIP() << "the installed nginx lacks HTTP/2 (or there is none): not checked";
    Http2Server server(s_dir->path(), path("good.pem"), path("good.key"));
    ASSERT_TRUE(server.running()) << "nginx did not start";

    TickHTTPS client;
    client.setCaBundle(path("ca.pem"));
    int connects = 0;
    client.OnStatus = [&](int code, const std::string&) { connects += code == 20 ? 1 : 0; };
    for (const char* name : {"/index.html", "/two.html"}) {
        SCOPED_TRACE(name);
        client.setURL(server.url(name));
        client.setLocalFile(path("h2.html"));
        const TickResult result = client.get();
        ASSERT_TRUE(result.ok()) << result.message();
        EXPECT_EQ(client.statusLine(), "HTTP/2 200 OK");
        EXPECT_EQ(client.resultText(), "200 OK");
    }
    EXPECT_EQ(readWholeFile(path("h2.html")), "second file");
    EXPECT_EQ(connects, 1) << "the second request reuses the connection";
}

TEST_F(HttpTlsTest, PlainServerOnSecureUrlIsAChannelError) {
    LoopbackServer plain;
    ASSERT_TRUE(plain.start());
    TickHTTPS client;
    client.setURL("https://127.0.0.1:" + std::to_string(plain.port()) + "/");
    EXPECT_EQ(client.get().code, kInetSecurityChannelError);
}

} // namespace
} // namespace quarlo
