// sonthra-cli: the command-line companion of the audio editor, over the same libraries.
#include <signal.h>

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_verbs.h"

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) {
    g_interrupted.store(true);
}

}  // namespace

int main(int argc, char** argv) {
    // Ctrl+C ends playback, closes a recording as a complete file and cancels an edit, instead
    // of leaving a half-written file behind.
    struct sigaction action {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A file size limit then fails the write as a full disk does, which every writer handles
    // (a recording ends keeping what it has), instead of killing the program mid-write.
    signal(SIGXFSZ, SIG_IGN);

    const std::vector<std::string> args(argv + 1, argv + argc);
    return sonthra::cli::runCli(args, std::cout, std::cerr, g_interrupted);
}
