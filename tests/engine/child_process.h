// A program run by a test: its standard output and error are collected by threads while it
// runs, and it can be waited for, interrupted or terminated.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sonthra::test {

class ChildProcess {
public:
    // Starts args[0] (looked up in PATH when it has no slash) with the test's environment.
    explicit ChildProcess(std::vector<std::string> args);
    // Terminates the program if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // The process number while it runs (until wait() has seen its end).
    pid_t pid() const { return m_pid; }
    // Sends a signal (SIGINT, say) without waiting.
    void signal(int number);
    // Waits for the program to end; its exit status, 128 + the signal that ended it, or -1.
    int wait();
    // Whether the program has ended, without waiting (wait() then gives its status at once).
    bool exited();
    // SIGTERM, then wait().
    void terminate();

    // What the program wrote so far.
    std::string output();
    std::string errors();
    std::size_t outputSize();

private:
    void collect(int fd, std::string& into);
    void finished(int status);

    pid_t m_pid = -1;
    int m_status = -1;
    std::mutex m_mutex;
    std::string m_output;
    std::string m_errors;
    std::thread m_outReader;
    std::thread m_errReader;
};

// Runs a program to its end: {exit status, standard output, standard error}.
struct ProgramResult {
    int status = -1;
    std::string output;
    std::string errors;
};
ProgramResult runProgram(std::vector<std::string> args);

}  // namespace sonthra::test
