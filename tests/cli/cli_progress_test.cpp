// The progress line of sonthra-cli: rewritten in place on a terminal, whole lines off one.
#include "cli/cli_progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace sonthra::cli {
namespace {

TEST(ProgressLine, RewritesOneLineOnATerminalAndWritesWholeLinesOffOne) {
    std::ostringstream terminal;
    {
        ProgressLine line(terminal, true);
        line.show("recording 000:09:900", 9);
        line.show("recording 000:10:000", 10);
        line.show("cut 5%", 0);  // shorter: the rest of the longer text is covered
    }
    EXPECT_EQ(terminal.str(),
              "\rrecording 000:09:900\rrecording 000:10:000\rcut 5%" + std::string(14, ' ') + "\n");

    std::ostringstream log;
    {
        ProgressLine line(log, false);
        for (int tenth = 0; tenth < 25; ++tenth) {
            line.show("recording " + std::to_string(tenth), tenth / 10);
        }
        line.finish();
    }
    EXPECT_EQ(log.str(), "recording 0\nrecording 10\nrecording 20\n");
    EXPECT_FALSE(isTerminal(log));
}

}  // namespace
}  // namespace sonthra::cli
