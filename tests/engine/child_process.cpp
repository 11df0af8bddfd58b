#include "engine/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sonthra::test {

ChildProcess::ChildProcess(std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe(out) != 0) return;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    m_outReader = std::thread([this, fd = out[0]] { collect(fd, m_output); });
    m_errReader = std::thread([this, fd = err[0]] { collect(fd, m_errors); });
}

ChildProcess::~ChildProcess() {
    terminate();
    if (m_outReader.joinable()) m_outReader.join();
    if (m_errReader.joinable()) m_errReader.join();
}

void ChildProcess::collect(int fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        std::lock_guard<std::mutex> lock(m_mutex);
        into.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
}

void ChildProcess::signal(int number) {
    if (m_pid > 0) kill(m_pid, number);
}

bool ChildProcess::exited() {
    if (m_pid <= 0) return true;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
    finished(status);
    return true;
}

void ChildProcess::finished(int status) {
    m_status = WIFEXITED(status)     ? WEXITSTATUS(status)
               : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                     : -1;
    m_pid = -1;
}

int ChildProcess::wait() {
    if (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, 0) == m_pid) {
            finished(status);
        } else {
            m_pid = -1;
        }
    }
    // The program has ended: its pipes close once everything it wrote has been read.
    if (m_outReader.joinable()) m_outReader.join();
    if (m_errReader.joinable()) m_errReader.join();
    return m_status;
}

void ChildProcess::terminate() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    wait();
}

std::string ChildProcess::output() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_output;
}

std::string ChildProcess::errors() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errors;
}

std::size_t ChildProcess::outputSize() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_output.size();
}

ProgramResult runProgram(std::vector<std::string> args) {
    ChildProcess child(std::move(args));
    ProgramResult result;
    result.status = child.wait();
    result.output = child.output();
    result.errors = child.errors();
    return result;
}

}  // namespace sonthra::test
