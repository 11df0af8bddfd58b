// One libcurl handle that keeps a control connection open across requests, the requests the FTP
// client makes over it, and an abort that reaches a blocked request from any thread.
// Internal to the ftp library.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ftp/win_inet_control.h"

namespace sonthra::ftp {

struct TransportOptions {
    FtpProtocol protocol = FtpProtocol::Ftp;
    std::string host;
    int port = 21;
    std::string user;
    std::string password;
    bool passive = false;
    bool transferText = false;
    std::int32_t timeoutMs = kDefaultConnectTimeout;  // for a connection to be made
    std::int32_t stallMs = kDefaultStallTimeout;      // for a server that stops moving
    TResolveNames resolve = rnLocal;
    std::string proxy;
    std::string proxyBypass;  // comma-separated host names
    bool verifyPeer = true;
    std::string caFile;
    std::string sshPrivateKey;
    std::string sshKeyPassphrase;  // unlocks sshPrivateKey when it is encrypted
    std::string sshPublicKey;
    std::string sshKnownHosts;
};

struct TransportRequest {
    enum Kind { Command, List, Upload };
    Kind kind = Command;
    // Absolute remote path; a folder ends in "/".
    std::string path = "/";
    std::vector<std::string> quote;      // raw commands before the request
    std::vector<std::string> postQuote;  // raw commands after a successful transfer
    std::string customRequest;           // for List: "MLSD", or empty for the plain listing
    std::FILE* upload = nullptr;
    std::int64_t uploadSize = 0;
    std::string* listing = nullptr;  // receives the listing's bytes
    // Status notifications as the request goes (code, byte count), on the calling thread.
    std::function<void(int, std::int64_t)> status;
};

struct TransportResult {
    int curlCode = 0;
    long responseCode = 0;
    std::vector<std::string> replies;  // every server reply line, in order
    std::string entryPath;             // the folder the login landed in, when known
    bool sawPasswordRequest = false;   // 331 seen: a following 530 is about the password
    bool aborted = false;
    bool connectionLost = false;     // the control connection is gone (or must be dropped)
    bool stalled = false;            // given up after the stall time without progress
    std::string certificateSubject;  // the server certificate's subject, when TLS refused it
    std::string errorText;           // libcurl's words for the failure
    bool ok() const { return curlCode == 0; }
};

// The largest listing accepted; a longer one is treated as nonsense.
inline constexpr std::size_t kMaxListingBytes = 64u << 20;

class FtpTransport {
public:
    FtpTransport();
    ~FtpTransport();  // sends QUIT when a connection is open
    FtpTransport(const FtpTransport&) = delete;
    FtpTransport& operator=(const FtpTransport&) = delete;

    TransportResult perform(const TransportOptions& options, const TransportRequest& request);

    // From any thread: makes a running perform return within a second and every later one fail.
    void abort();
    bool aborted() const { return m_abort.load(); }

    // The scheme, host and port part of a URL ("ftp://127.0.0.1:2121"), and a URL for an
    // absolute remote path with each segment escaped.
    static std::string urlFor(const TransportOptions& options, const std::string& absolutePath);

    // Whether libcurl was built with SFTP.
    static bool sftpAvailable();

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onWrite(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onRead(char* data, std::size_t size, std::size_t count, void* self);
    static int onProgress(void* self, std::int64_t, std::int64_t, std::int64_t, std::int64_t ulnow);
    static int onOpenSocket(void* self, int purpose, void* address);
    static int onSocketMade(void* self, int socket, int purpose);
    static int onCloseSocket(void* self, int socket);
    // Called as an upload's socket is about to be closed: returns once the server has
    // acknowledged every byte handed over to the socket (see the definition for the limits).
    void letTheServerTakeTheRest(int socket);
    void applyOptions(const TransportOptions& options, const TransportRequest& request);
    // Bytes of the running upload the server has acknowledged: those handed to the data
    // socket less those still waiting in it.
    std::int64_t acknowledgedBytes(std::int64_t handedOver) const;

    void* m_curl = nullptr;
    std::atomic<bool> m_abort{false};
    std::mutex m_socketsMutex;
    std::set<int> m_sockets;  // open sockets, shut down by abort
    // State of the running perform.
    const TransportRequest* m_request = nullptr;
    TransportResult* m_result = nullptr;
    std::string m_partialLine;
    std::int64_t m_lastAcknowledged = 0;
    // When the server last took bytes (or the request started).
    std::chrono::steady_clock::time_point m_lastAdvance;
    long m_stallLimitMs = kDefaultStallTimeout;  // the request's stall time
    bool m_stalled = false;
    // The control connection lives across requests; the data connection is the newer one.
    int m_controlSocket = -1;
    int m_dataSocket = -1;
    bool m_dataClosed = false;
    bool m_greeted = false;
    bool m_socketOpened = false;
};

}  // namespace sonthra::ftp
