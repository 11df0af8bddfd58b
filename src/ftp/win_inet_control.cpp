#include "ftp/win_inet_control.h"

#include "ftp/ftp_transport.h"

namespace sonthra::ftp {
namespace {

std::string fill(const char* pattern, const std::string& first, const std::string& second = {}) {
    std::string out;
    int used = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += used++ == 0 ? first : second;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

std::string StateText(int state, const std::string& hostName) {
    switch (state) {
        case Disconnecting:
            return fill("Disconnecting from %s", hostName);
        case NoConnection:
            return "No connection";
        case Connecting:
            return fill("Connecting to %s", hostName);
        case Connected:
            return fill("Connected to %s", hostName);
        case ResolvingName:
            return fill("Resolving name %s", hostName);
        case NameResolved:
            return fill("Resolved name %s", hostName);
        default:
            return "Unknown state!  Contact support ...";
    }
}

std::string ConnectErrorText(int platformError, const std::string& hostName,
                             const std::string& userName, const std::string& detail) {
    switch (platformError) {
        case kInetErrInvalidCertificate:
            return detail.empty()
                       ? fill("Unable to connect to %s: certificate not trusted", hostName)
                       : fill("Unable to connect to %s: certificate not trusted (%s)", hostName,
                              detail);
        case kInetErrTimeout:
            return fill("Connection to %s timed out", hostName);
        case kInetErrInternal:
            return "Internal WININET error";
        case kInetErrNameNotResolved:
            return fill("Unable to resolve host name '%s'", hostName);
        case kInetErrBadUserName:
            return fill("Bad user name: '%s' connecting to %s", userName, hostName);
        case kInetErrBadPassword:
            return fill("Bad password connecting to %s", hostName);
        case kInetErrLoginFailure:
        case kInetErrCannotConnect:
            return fill("Unable to connect to %s", hostName);
        default:
            return fill("General Connection Error to %s", hostName);
    }
}

TWinInetControl::TWinInetControl() = default;

TWinInetControl::~TWinInetControl() {
    m_destroying = true;
    CloseSession();
}

void TWinInetControl::SetConnectTimeout(std::int32_t milliseconds) {
    m_connectTimeout = milliseconds <= 0 ? kDefaultConnectTimeout : milliseconds;
}

void TWinInetControl::SetStallTimeout(std::int32_t milliseconds) {
    m_stallTimeout = milliseconds <= 0 ? kDefaultStallTimeout : milliseconds;
}

void TWinInetControl::OpenSession() {
    std::lock_guard<std::mutex> lock(m_sessionMutex);
    if (!m_session) m_session = std::make_unique<FtpTransport>();
    m_hasSession.store(true);
}

void TWinInetControl::CloseSession() {
    std::unique_ptr<FtpTransport> gone;
    {
        std::lock_guard<std::mutex> lock(m_sessionMutex);
        gone = std::move(m_session);
        m_hasSession.store(false);
    }
    // Destroyed outside the lock: a polite QUIT may take a moment, and Abort must not wait.
    gone.reset();
}

bool TWinInetControl::Connect() {
    if (State() == Connected && HasSession()) return true;
    m_abortRequested.store(false);
    if (!HasSession()) OpenSession();
    return false;
}

bool TWinInetControl::Disconnect() {
    if (HasSession()) {
        HandleStatus(kStatusClosingConnection, 0);
        CloseSession();
    }
    if (SetState(NoConnection) && !m_destroying && OnDisconnected) OnDisconnected(*this);
    return true;
}

void TWinInetControl::Abort() {
    m_abortRequested.store(true);
    std::lock_guard<std::mutex> lock(m_sessionMutex);
    if (m_session) m_session->abort();
}

bool TWinInetControl::SetState(TWinInetState state) {
    if (m_state.load() == state) return false;
    m_state.store(state);
    // A component being destroyed tells nobody: its listeners may already be gone.
    if (m_destroying) return true;
    if (OnStateChange) OnStateChange(*this, state);
    if (QuickProgress && QuickStatus) QuickStatus->ShowStatusText(StateText(state, HostName));
    return true;
}

std::string TWinInetControl::GetLastResponse() const {
    return m_lastResponse.empty() ? "No error description available" : m_lastResponse;
}

void TWinInetControl::RaiseConnectError(int platformError, const std::string& detail) {
    SetState(NoConnection);
    Fail<EWinInetError>(ConnectErrorText(platformError, HostName, UserName, detail));
}

void TWinInetControl::HandleStatus(int statusCode, std::int64_t) {
    switch (statusCode) {
        case kStatusResolvingName:
            SetState(ResolvingName);
            break;
        case kStatusNameResolved:
            SetState(NameResolved);
            break;
        case kStatusConnectingToServer:
            SetState(Connecting);
            break;
        case kStatusConnectedToServer:
            SetState(Connected);
            break;
        case kStatusClosingConnection:
            SetState(Disconnecting);
            break;
        case kStatusConnectionClosed:
            SetState(NoConnection);
            break;
        default:
            break;
    }
}

}  // namespace sonthra::ftp
