#include "engine/TickHTTPS.h"
#include "engine/WinInetErrors.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

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

TEST_F(HttpTlsTest, PlainServerOnSecureUrlIsAChannelError) {
    LoopbackServer plain;
    ASSERT_TRUE(plain.start());
    TickHTTPS client;
    client.setURL("https://127.0.0.1:" + std::to_string(plain.port()) + "/");
    EXPECT_EQ(client.get().code, kInetSecurityChannelError);
}

} // namespace
} // namespace quarlo
