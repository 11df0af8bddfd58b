#include "cli/upload_command.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <thread>

#include "cli/cli_verbs.h"
#include "ftp/ftp_paths.h"
#include "ftp/simple_ftp.h"

namespace sonthra::cli {
namespace {

struct UploadArgs {
    std::vector<std::string> files;
    std::string host, user, passwordFile, dir, caFile;
    int port = 0;
    bool tls = false, sftp = false, passive = true;
};

// Parses the words; an empty string, or what is wrong.
std::string parseUploadArgs(const std::vector<std::string>& args, UploadArgs& a) {
    bool sawPassive = false, sawActive = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto value = [&](std::string& into) -> bool {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (word == "--host") {
            if (!value(a.host)) return "--host needs a value";
        } else if (word == "--user") {
            if (!value(a.user)) return "--user needs a value";
        } else if (word == "--password-file") {
            if (!value(a.passwordFile)) return "--password-file needs a value";
        } else if (word == "--dir") {
            if (!value(a.dir)) return "--dir needs a value";
        } else if (word == "--ca-file") {
            if (!value(a.caFile)) return "--ca-file needs a value";
        } else if (word == "--port") {
            std::string text;
            if (!value(text)) return "--port needs a value";
            char* end = nullptr;
            const long port = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end || port < 1 || port > 65535) return "bad port: " + text;
            a.port = static_cast<int>(port);
        } else if (word == "--password") {
            return "a password is never taken from the command line: use --password-file";
        } else if (word == "--tls") {
            a.tls = true;
        } else if (word == "--sftp") {
            a.sftp = true;
        } else if (word == "--passive") {
            sawPassive = true;
        } else if (word == "--active") {
            sawActive = true;
        } else if (word.rfind("--", 0) == 0) {
            return "unknown option " + word;
        } else {
            a.files.push_back(word);
        }
    }
    if (sawPassive && sawActive) return "--passive and --active exclude each other";
    if (a.tls && a.sftp) return "--tls and --sftp exclude each other";
    a.passive = !sawActive;
    if (a.files.empty()) return "no file to upload";
    if (a.host.empty()) return "--host is required";
    if (a.user.empty()) return "--user is required";
    if (a.port == 0) a.port = a.sftp ? 22 : 21;
    return {};
}

// The first line of the password file, without its line end.
bool readPassword(const std::string& file, std::string& password) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
}

// The remote size of name in the current folder, or -1.
std::int64_t remoteSize(ftp::TSimpleFTP& client, const std::string& name) {
    ftp::TFTPFileList list;
    if (client.FindFiles(name, &list, false) != 1) return -1;
    return static_cast<std::int64_t>(list.front().second.size());
}

}  // namespace

int runUploadVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::atomic<bool>& interrupted) {
    UploadArgs a;
    if (const std::string problem = parseUploadArgs(args, a); !problem.empty()) {
        err << "sonthra-cli upload: " << problem << "\nusage:\n" << kUploadUsage;
        return kExitUsage;
    }
    ftp::TSimpleFTP client;
    client.HostName = a.host;
    client.Port = a.port;
    client.UserName = a.user;
    client.Passive = a.passive;
    client.CaFile = a.caFile;
    client.Protocol =
        a.sftp ? ftp::FtpProtocol::Sftp : (a.tls ? ftp::FtpProtocol::Ftps : ftp::FtpProtocol::Ftp);
    if (!a.passwordFile.empty() && !readPassword(a.passwordFile, client.Password)) {
        err << "sonthra-cli upload: cannot read the password file " << a.passwordFile << "\n";
        return kExitFailed;
    }

    // Ctrl+C aborts the running transfer; the target on the server stays as it was.
    std::atomic<bool> finished{false};
    std::thread watcher([&] {
        while (!finished.load()) {
            if (interrupted.load()) {
                client.Abort();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    struct Join {
        std::atomic<bool>& finished;
        std::thread& thread;
        ~Join() {
            finished.store(true);
            thread.join();
        }
    } join{finished, watcher};

    int lastPercent = -1;
    client.OnTransferProgress = [&](ftp::TSimpleFTP&, const ftp::TFTPProgressInfo& info) {
        const int percent =
            info.FileSize > 0 ? static_cast<int>(info.BytesDone * 100 / info.FileSize) : 100;
        if (percent == lastPercent) return;
        lastPercent = percent;
        err << info.FileName << ": " << percent << "% (" << info.BytesDone << " of "
            << info.FileSize << " bytes)\n";
    };

    err << "connecting to " << a.host << ":" << a.port << "\n";
    if (!client.Connect()) {
        err << "sonthra-cli upload: " << client.LastErrorText() << "\n";
        return interrupted.load() ? kExitInterrupted : kExitFailed;
    }
    if (!a.dir.empty() && !client.ChangeDir(a.dir)) {
        err << "sonthra-cli upload: " << client.LastErrorText() << "\n";
        return kExitFailed;
    }
    int failures = 0;
    for (const auto& file : a.files) {
        if (interrupted.load()) break;
        lastPercent = -1;
        const std::string name = ftp::localFileName(file);
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        if (ec || !std::filesystem::is_regular_file(file)) {
            err << "sonthra-cli upload: " << file << " does not exist\n";
            ++failures;
            continue;
        }
        if (!client.PutFile(file)) {
            err << "sonthra-cli upload: " << client.LastErrorText() << "\n";
            ++failures;
            if (!client.IsConnected() && !interrupted.load() && !client.Connect()) break;
            continue;
        }
        // Whole means the server holds exactly as many bytes as the file has.
        const std::int64_t stored = remoteSize(client, name);
        if (stored != static_cast<std::int64_t>(size)) {
            err << "sonthra-cli upload: " << name << " arrived with " << stored << " of " << size
                << " bytes\n";
            ++failures;
            continue;
        }
        out << client.AddSlash(client.RemoteDir()) << name << "\n";
    }
    client.Disconnect();
    if (interrupted.load()) return kExitInterrupted;
    return failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace sonthra::cli
