// TWinInetControl: one internet session with its connection state, time-outs, retries, proxy use
// and the notification of state changes. TSimpleFTP (simple_ftp.h) builds the FTP client on it.
//
// Threads: every operation blocks the thread that calls it, and every event fires on that
// thread while the call runs; a window runs the calls on a worker and posts what the events
// report to its own thread. Operations on one component come from one thread at a time; only
// Abort may be called from any thread, at any moment.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace sonthra::ftp {

class FtpTransport;

enum TWinInetState : int {
    Disconnecting = 0,
    NoConnection = 1,
    Connecting = 2,
    Connected = 3,
    ResolvingName = 4,
    NameResolved = 5,
};

enum TResolveNames { rnLocal, rnPreConfig, rnProxy };

// The transfer protocol. Plain FTP as the product always spoke it; FTPS asks the server for
// TLS before the login and never falls back to clear text; SFTP runs over SSH.
enum class FtpProtocol { Ftp, Ftps, Sftp };

// Status notification codes, as numbered by the platform's internet library.
inline constexpr int kStatusResolvingName = 10;
inline constexpr int kStatusNameResolved = 11;
inline constexpr int kStatusConnectingToServer = 20;
inline constexpr int kStatusConnectedToServer = 21;
inline constexpr int kStatusRequestSent = 31;
inline constexpr int kStatusResponseReceived = 41;
inline constexpr int kStatusClosingConnection = 50;
inline constexpr int kStatusConnectionClosed = 51;

// Platform error codes that connect failures are reported with.
inline constexpr int kInetErrTimeout = 12002;
inline constexpr int kInetErrInternal = 12004;
inline constexpr int kInetErrNameNotResolved = 12007;
inline constexpr int kInetErrBadUserName = 12013;
inline constexpr int kInetErrBadPassword = 12014;
inline constexpr int kInetErrLoginFailure = 12015;
inline constexpr int kInetErrCannotConnect = 12029;
inline constexpr int kInetErrGeneral = 12111;
inline constexpr int kInetErrInvalidCertificate = 12045;

inline constexpr std::int32_t kDefaultConnectTimeout = 300000;
inline constexpr std::int32_t kDefaultConnectRetries = 3;
// How long a server may take no bytes and send no reply before the request is given up.
inline constexpr std::int32_t kDefaultStallTimeout = 30000;

// Raised by the session when SilentExceptions is off.
class EWinInetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The state text with %s filled by the host name; "Unknown state!  Contact support ..." for a
// value outside the table.
std::string StateText(int state, const std::string& hostName);
// The connect failure text for a platform error code, filled with the host and user names;
// detail is the refused certificate's subject for kInetErrInvalidCertificate.
std::string ConnectErrorText(int platformError, const std::string& hostName,
                             const std::string& userName, const std::string& detail = {});

// Attached displays that QuickProgress keeps current. They are called on the thread that runs
// the operation; a window's implementation posts to its own thread.
class TQuickStatusBar {
public:
    virtual ~TQuickStatusBar() = default;
    virtual void ShowStatusText(const std::string& text) = 0;
};
class TQuickProgressBar {
public:
    virtual ~TQuickProgressBar() = default;
    virtual void SetMaxAndPosition(int maximum, int position) = 0;
};
class TQuickLabel {
public:
    virtual ~TQuickLabel() = default;
    virtual void SetCaption(const std::string& text) = 0;
};

class TWinInetControl {
public:
    using NotifyEvent = std::function<void(TWinInetControl& sender)>;
    using StateChangeEvent = std::function<void(TWinInetControl& sender, TWinInetState state)>;

    TWinInetControl();
    // Disconnects without firing OnDisconnected.
    virtual ~TWinInetControl();
    TWinInetControl(const TWinInetControl&) = delete;
    TWinInetControl& operator=(const TWinInetControl&) = delete;

    // Properties with their defaults.
    std::int32_t ConnectRetries = kDefaultConnectRetries;
    // Kept for callers that set it; no listing is ever answered from a cache here, so every
    // listing goes to the server whatever its value.
    bool EnableCache = false;
    std::string HostName;
    std::string UserName;
    std::string Password;  // never written to any text this library produces
    std::int32_t Port = 0;
    std::string ProxyName;
    std::vector<std::string> ProxyBypassList;
    bool QuickProgress = false;
    TQuickProgressBar* QuickProgressMinor = nullptr;
    TQuickStatusBar* QuickStatus = nullptr;
    TResolveNames ResolveNames = rnLocal;
    bool SilentExceptions = true;
    FtpProtocol Protocol = FtpProtocol::Ftp;
    // Certificates for FTPS: VerifyPeer checks the server's certificate against the system's
    // authorities, or against CaFile when one is named.
    bool VerifyPeer = true;
    std::string CaFile;
    // SFTP: a key pair to log in with besides the password, and the file of known host keys
    // (empty: ~/.ssh/known_hosts). A host seen for the first time is added to it; a host whose
    // key changed is refused.
    std::string SshPrivateKeyFile;
    std::string SshKeyPassphrase;  // for an encrypted private key; treated as the password is
    std::string SshPublicKeyFile;
    std::string SshKnownHostsFile;

    NotifyEvent OnConnected;
    StateChangeEvent OnStateChange;
    NotifyEvent OnDisconnected;

    // Milliseconds; setting 0 (or less) stores the default 300000.
    std::int32_t ConnectTimeout() const { return m_connectTimeout; }
    void SetConnectTimeout(std::int32_t milliseconds);
    // Milliseconds a server may go without taking bytes or answering before the request is
    // given up (the connection is dropped); setting 0 (or less) stores the default 30000.
    std::int32_t StallTimeout() const { return m_stallTimeout; }
    void SetStallTimeout(std::int32_t milliseconds);

    TWinInetState State() const { return m_state.load(); }
    bool HasSession() const { return m_hasSession.load(); }

    virtual bool Connect();
    virtual bool Disconnect();
    // Ends whatever blocking call is running within a second, from any thread: the call
    // returns failure and the component is left disconnected. Every later operation fails at
    // once until the next Connect.
    void Abort();
    bool AbortRequested() const { return m_abortRequested.load(); }

    // False when the state is unchanged; otherwise stores it, fires OnStateChange and updates
    // an attached status bar when QuickProgress is set.
    bool SetState(TWinInetState state);
    // The server's last response, or "No error description available".
    std::string GetLastResponse() const;
    // What the last failure was, in the words the raised error would have had; kept also when
    // SilentExceptions is on, for callers that report failures themselves.
    const std::string& LastErrorText() const { return m_lastErrorText; }

    virtual void UpdateQuickProgress() {}
    // detail: see ConnectErrorText.
    virtual void RaiseConnectError(int platformError, const std::string& detail = {});
    // A status notification from the transport; byteCount is used by request-sent and
    // response-received.
    virtual void HandleStatus(int statusCode, std::int64_t byteCount);

protected:
    FtpTransport* Session() { return m_session.get(); }
    void OpenSession();
    void CloseSession();
    void SetLastResponse(std::string text) { m_lastResponse = std::move(text); }
    // Records the failure text and raises Error with it unless SilentExceptions is set.
    template <typename Error>
    bool Fail(const std::string& text) {
        m_lastErrorText = text;
        if (!SilentExceptions) throw Error(text);
        return false;
    }
    // Records a failure text without raising.
    void NoteFailure(std::string text) { m_lastErrorText = std::move(text); }
    void ClearAbort() { m_abortRequested.store(false); }
    bool Destroying() const { return m_destroying; }
    void SetDestroying() { m_destroying = true; }

private:
    std::unique_ptr<FtpTransport> m_session;
    // The session may be reported gone from the aborting thread, so these are atomic.
    std::atomic<bool> m_hasSession{false};
    std::atomic<TWinInetState> m_state{NoConnection};
    std::atomic<bool> m_abortRequested{false};
    // Abort reaches the transport from another thread; this keeps it alive meanwhile.
    std::mutex m_sessionMutex;
    std::int32_t m_connectTimeout = kDefaultConnectTimeout;
    std::int32_t m_stallTimeout = kDefaultStallTimeout;
    std::string m_lastResponse;
    std::string m_lastErrorText;
    bool m_destroying = false;
};

}  // namespace sonthra::ftp
