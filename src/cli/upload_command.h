// "sonthra-cli upload FILE... --host H ..." uploads files into a folder of an FTP, FTPS or SFTP
// server with the program's own FTP client: each file goes to a temporary name and is renamed
// over the target once complete, so a broken line never leaves a half file on the server.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kUploadUsage =
    "  sonthra-cli upload FILE... --host H [--port P] --user U [--password-file F] [--dir D]\n"
    "                    [--tls] [--sftp] [--ca-file F] [--passive|--active]\n"
    "      uploads the files into the remote folder D (the login folder by default); the\n"
    "      password is read from the first line of F, never from the command line; --tls\n"
    "      requires explicit TLS; progress goes to standard error; exit 0 only when every\n"
    "      file arrived whole\n";

// args: the words after the verb. Exit codes of cli_verbs.h.
int runUploadVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
