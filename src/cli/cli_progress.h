// The progress of a long verb on standard error: one line rewritten in place on a terminal; off
// a terminal (a log file, a pipe) a plain line only when the shown step changes, so that a log
// holds a few whole lines instead of hundreds of texts run together on one.
#pragma once

#include <climits>
#include <cstddef>
#include <iosfwd>
#include <string>

namespace sonthra::cli {

// Whether out is this process's standard error and that is a terminal.
bool isTerminal(const std::ostream& out);

class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}
    // Ends the line, as finish() does.
    ~ProgressLine() { finish(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows text in place of the last one on a terminal; off a terminal as a line of its own,
    // only when step differs from the step last shown.
    void show(const std::string& text, long long step);
    // Ends a line left open on a terminal, so that what follows starts on a line of its own.
    void finish();

private:
    std::ostream& m_out;
    bool m_terminal;
    bool m_open = false;
    std::size_t m_width = 0;
    long long m_step = LLONG_MIN;
};

}  // namespace sonthra::cli
