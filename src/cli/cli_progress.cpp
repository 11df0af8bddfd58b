#include "cli/cli_progress.h"

#include <unistd.h>

#include <iostream>

namespace sonthra::cli {

bool isTerminal(const std::ostream& out) {
    return &out == &std::cerr && ::isatty(STDERR_FILENO) == 1;
}

void ProgressLine::show(const std::string& text, long long step) {
    if (!m_terminal) {
        if (step == m_step) return;
        m_step = step;
        m_out << text << "\n" << std::flush;
        return;
    }
    // Spaces cover what a longer text before left on the line.
    const std::size_t cover = m_width > text.size() ? m_width - text.size() : 0;
    m_out << "\r" << text << std::string(cover, ' ') << std::flush;
    m_width = text.size();
    m_open = true;
}

void ProgressLine::finish() {
    if (m_open) m_out << "\n" << std::flush;
    m_open = false;
    m_width = 0;
}

}  // namespace sonthra::cli
