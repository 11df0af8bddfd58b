// ftp_upload_bench [FILE]: uploads FILE (else a 200 MB file made here) to a local pyftpdlib
// server three times with TSimpleFTP and three times with curl -T, alternating, and prints the
// best time of each and their ratio (curl's time over ours: above 1 means we are faster).
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/simple_ftp.h"

namespace {

using Clock = std::chrono::steady_clock;
using sonthra::testing::FtpTestServer;

double seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ourUpload(const FtpTestServer& server, const std::string& file) {
    sonthra::ftp::TSimpleFTP ftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = server.port();
    ftp.UserName = FtpTestServer::kUser;
    ftp.Password = FtpTestServer::kPassword;
    ftp.Passive = true;
    const auto start = Clock::now();
    if (!ftp.Connect() || !ftp.PutFileAs(file, "/ours.bin")) {
        std::fprintf(stderr, "upload failed: %s\n", ftp.LastErrorText().c_str());
        return -1;
    }
    ftp.Disconnect();
    return seconds(start);
}

double curlUpload(const FtpTestServer& server, const std::string& file, const std::string& netrc) {
    const std::string command = "curl -sS --netrc-file '" + netrc + "' -T '" + file +
                                "' ftp://127.0.0.1:" + std::to_string(server.port()) + "/curl.bin";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    if (status != 0) return -1;
    return seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    FtpTestServer server;
    if (!server.started()) {
        std::fprintf(stderr, "the local FTP server did not start\n");
        return 1;
    }
    std::string file = argc > 1 ? argv[1] : (server.scratch() / "upload.bin").string();
    if (argc <= 1) sonthra::testing::writePatternFile(file, 200u << 20, 11);
    const std::string netrc = (server.scratch() / "netrc").string();
    std::ofstream(netrc) << "machine 127.0.0.1 login " << FtpTestServer::kUser << " password "
                         << "\"" << FtpTestServer::kPassword << "\"\n";

    double ours = 1e9, curl = 1e9;
    for (int round = 0; round < 3; ++round) {
        const double a = ourUpload(server, file);
        const double b = curlUpload(server, file, netrc);
        if (a < 0 || b < 0) return 1;
        ours = std::min(ours, a);
        curl = std::min(curl, b);
    }
    const auto size = std::filesystem::file_size(file);
    const bool same = std::filesystem::file_size(server.root() / "ours.bin") == size &&
                      std::filesystem::file_size(server.root() / "curl.bin") == size;
    std::printf("file_bytes: %llu\n", static_cast<unsigned long long>(size));
    std::printf("ours_seconds: %.3f\n", ours);
    std::printf("curl_seconds: %.3f\n", curl);
    std::printf("ours_mb_per_s: %.1f\n", size / ours / 1e6);
    std::printf("curl_mb_per_s: %.1f\n", size / curl / 1e6);
    std::printf("ratio_curl_over_ours: %.3f\n", curl / ours);
    std::printf("sizes_match: %s\n", same ? "yes" : "no");
    return same ? 0 : 1;
}
