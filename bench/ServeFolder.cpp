// Serves a folder on 127.0.0.1 with the command line's own loopback server until SIGTERM or
// SIGINT: bench/compare's server when nginx cannot be had. Prints the root URL first.
#include "cli/SampleSiteServer.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarlo_serve_folder FOLDER\n");
        return 2;
    }
    // Blocked before the server's threads start, so only sigwait below sees them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    quarlo::cli::SampleSiteServer server(argv[1]);
    if (!server.start()) {
        std::fprintf(stderr, "quarlo_serve_folder: no port free on 127.0.0.1\n");
        return 1;
    }
    std::printf("%s\n", server.rootUrl().c_str());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}
