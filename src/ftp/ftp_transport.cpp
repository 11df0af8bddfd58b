#include "ftp/ftp_transport.h"

#include <curl/curl.h>
#include <linux/sockios.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>

namespace sonthra::ftp {
namespace {

struct GlobalInit {
    GlobalInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

void initOnce() {
    static GlobalInit init;
}

struct SList {
    curl_slist* list = nullptr;
    explicit SList(const std::vector<std::string>& lines) {
        for (const auto& line : lines) list = curl_slist_append(list, line.c_str());
    }
    ~SList() { curl_slist_free_all(list); }
};

// Failures after which the control connection cannot be trusted any more.
bool losesConnection(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_FTP_ACCEPT_FAILED:
        case CURLE_FTP_WEIRD_PASS_REPLY:
        case CURLE_FTP_ACCEPT_TIMEOUT:
        case CURLE_FTP_WEIRD_PASV_REPLY:
        case CURLE_FTP_WEIRD_227_FORMAT:
        case CURLE_FTP_CANT_GET_HOST:
        case CURLE_PARTIAL_FILE:
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_FTP_PORT_FAILED:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_ABORTED_BY_CALLBACK:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_USE_SSL_FAILED:
        case CURLE_LOGIN_DENIED:
        case CURLE_SSH:
        case CURLE_SSL_CACERT_BADFILE:
            return true;
        default:
            return false;
    }
}

// Bytes written to a socket that its peer has not acknowledged yet; 0 for a listening socket.
int unacknowledgedBytes(int socket) {
    int bytes = 0;
    return ::ioctl(socket, SIOCOUTQ, &bytes) == 0 ? bytes : 0;
}

// Accept a host key seen for the first time and remember it; refuse one that changed.
int onHostKey(CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match, void*) {
    switch (match) {
        case CURLKHMATCH_OK:
            return CURLKHSTAT_FINE;
        case CURLKHMATCH_MISSING:
            return CURLKHSTAT_FINE_ADD_TO_FILE;
        default:
            return CURLKHSTAT_REJECT;
    }
}

// Where the verification of the running request puts the subject of a certificate it refuses;
// the check runs inside the request, on its thread.
thread_local std::string* t_refusedSubject = nullptr;

std::string nameText(X509_NAME* name) {
    BIO* out = BIO_new(BIO_s_mem());
    if (!out) return {};
    X509_NAME_print_ex(out, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(out, &data);
    std::string text(data != nullptr && size > 0 ? data : "", size > 0 ? size : 0);
    BIO_free(out);
    return text;
}

// Leaves the verdict as it is and notes the subject of the server's certificate when refused.
int onVerify(int preverified, X509_STORE_CTX* store) {
    if (!preverified && t_refusedSubject && t_refusedSubject->empty()) {
        if (X509* server = X509_STORE_CTX_get0_cert(store)) {
            *t_refusedSubject = nameText(X509_get_subject_name(server));
        }
    }
    return preverified;
}

CURLcode onSslContext(CURL*, void* context, void*) {
    auto* ctx = static_cast<SSL_CTX*>(context);
    SSL_CTX_set_verify(ctx, SSL_CTX_get_verify_mode(ctx), &onVerify);
    return CURLE_OK;
}

std::string knownHostsFile() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(home) / ".ssh", ec);
    return (std::filesystem::path(home) / ".ssh" / "known_hosts").string();
}

}  // namespace

FtpTransport::FtpTransport() {
    initOnce();
    m_curl = curl_easy_init();
}

FtpTransport::~FtpTransport() {
    // Cleanup sends QUIT on a live control connection; after an abort the sockets are already
    // shut down and it returns at once.
    if (!m_curl) return;
    // A server that stops answering must not hold up the goodbye for the whole time-out.
    curl_easy_setopt(static_cast<CURL*>(m_curl), CURLOPT_SERVER_RESPONSE_TIMEOUT, 3L);
    curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

bool FtpTransport::sftpAvailable() {
    initOnce();
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    for (const char* const* p = info->protocols; p && *p; ++p) {
        if (std::strcmp(*p, "sftp") == 0) return true;
    }
    return false;
}

std::string FtpTransport::urlFor(const TransportOptions& options, const std::string& path) {
    std::string url;
    switch (options.protocol) {
        case FtpProtocol::Ftp:
            url = "ftp://";
            break;
        case FtpProtocol::Ftps:
            url = "ftp://";  // explicit TLS: plain port, AUTH TLS required by USE_SSL
            break;
        case FtpProtocol::Sftp:
            url = "sftp://";
            break;
    }
    if (options.host.find(':') != std::string::npos && options.host.front() != '[') {
        url += "[" + options.host + "]";
    } else {
        url += options.host;
    }
    url += ":" + std::to_string(options.port);
    // FTP paths in URLs are relative to the login folder; a leading %2F makes them absolute.
    url += options.protocol == FtpProtocol::Sftp ? "" : "/%2F";
    std::size_t start = 0;
    bool first = true;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (!(first && segment.empty())) {
            char* escaped =
                curl_easy_escape(nullptr, segment.c_str(), static_cast<int>(segment.size()));
            url += "/";
            if (escaped) url += escaped;
            curl_free(escaped);
        }
        first = false;
        start = end + 1;
    }
    if (options.protocol == FtpProtocol::Sftp && url.back() != '/' && path == "/") url += "/";
    return url;
}

void FtpTransport::abort() {
    m_abort.store(true);
    std::lock_guard<std::mutex> lock(m_socketsMutex);
    for (int socket : m_sockets) ::shutdown(socket, SHUT_RDWR);
}

std::size_t FtpTransport::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<FtpTransport*>(self);
    const std::size_t bytes = size * count;
    t->m_partialLine.append(data, bytes);
    std::size_t newline;
    while ((newline = t->m_partialLine.find('\n')) != std::string::npos) {
        std::string line = t->m_partialLine.substr(0, newline);
        t->m_partialLine.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!t->m_greeted) {
            t->m_greeted = true;
            if (t->m_request->status) t->m_request->status(kStatusConnectedToServer, 0);
        }
        if (line.rfind("331", 0) == 0) t->m_result->sawPasswordRequest = true;
        if (t->m_result->replies.size() < 4096) t->m_result->replies.push_back(std::move(line));
    }
    if (t->m_partialLine.size() > 65536) t->m_partialLine.clear();
    return bytes;
}

std::size_t FtpTransport::onWrite(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<FtpTransport*>(self);
    const std::size_t bytes = size * count;
    std::string* listing = t->m_request->listing;
    if (!listing || listing->size() + bytes > kMaxListingBytes) return 0;
    listing->append(data, bytes);
    return bytes;
}

std::size_t FtpTransport::onRead(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<FtpTransport*>(self);
    if (t->m_abort.load()) return CURL_READFUNC_ABORT;
    const std::size_t got = std::fread(data, size, count, t->m_request->upload);
    if (got == 0 && std::ferror(t->m_request->upload)) return CURL_READFUNC_ABORT;
    return got;
}

std::int64_t FtpTransport::acknowledgedBytes(std::int64_t handedOver) const {
    // Once the data connection is closed nothing more can reach the server.
    if (m_dataClosed) return m_lastAcknowledged;
    if (m_dataSocket < 0) return handedOver;
    const std::int64_t waiting = unacknowledgedBytes(m_dataSocket);
    // TLS adds its own bytes to what waits, so the difference may dip below an earlier count.
    return std::max(m_lastAcknowledged, handedOver - waiting);
}

int FtpTransport::onProgress(void* self, std::int64_t, std::int64_t, std::int64_t,
                             std::int64_t ulnow) {
    auto* t = static_cast<FtpTransport*>(self);
    if (t->m_abort.load()) return 1;
    const auto now = std::chrono::steady_clock::now();
    const bool upload = t->m_request->kind == TransportRequest::Upload;
    const std::int64_t acknowledged = upload ? t->acknowledgedBytes(ulnow) : ulnow;
    if (acknowledged > t->m_lastAcknowledged) {
        const std::int64_t delta = acknowledged - t->m_lastAcknowledged;
        t->m_lastAcknowledged = acknowledged;
        t->m_lastAdvance = now;
        if (t->m_request->status) t->m_request->status(kStatusRequestSent, delta);
    } else if (upload && ulnow > acknowledged &&
               now - t->m_lastAdvance > std::chrono::milliseconds(t->m_stallLimitMs)) {
        // Bytes wait for a server that has stopped taking them.
        t->m_stalled = true;
        return 1;
    }
    return 0;
}

int FtpTransport::onOpenSocket(void* self, int purpose, void* address) {
    auto* t = static_cast<FtpTransport*>(self);
    auto* addr = static_cast<curl_sockaddr*>(address);
    (void)purpose;
    if (t->m_abort.load()) return CURL_SOCKET_BAD;
    if (!t->m_socketOpened) {
        t->m_socketOpened = true;
        if (t->m_request->status) {
            t->m_request->status(kStatusNameResolved, 0);
            t->m_request->status(kStatusConnectingToServer, 0);
        }
    }
    const int fd = ::socket(addr->family, addr->socktype | SOCK_CLOEXEC, addr->protocol);
    if (fd >= 0) {
        std::lock_guard<std::mutex> lock(t->m_socketsMutex);
        t->m_sockets.insert(fd);
    }
    return fd < 0 ? CURL_SOCKET_BAD : fd;
}

int FtpTransport::onSocketMade(void* self, int socket, int purpose) {
    auto* t = static_cast<FtpTransport*>(self);
    if (purpose == CURLSOCKTYPE_ACCEPT || t->m_controlSocket >= 0) {
        t->m_dataSocket = socket;
    } else {
        t->m_controlSocket = socket;
    }
    return CURL_SOCKOPT_OK;
}

void FtpTransport::letTheServerTakeTheRest(int socket) {
    // A socket closed while bytes for the server are still in its buffer is reset by whatever
    // the server sends next, and the reset throws those bytes away. Over TLS the server sends
    // its session tickets once it has finished the handshake, which a busy server may do only
    // after the client has handed over the whole file; the server then takes the end of the
    // connection for the end of the file and reports the truncated upload complete. So the
    // sending side is shut first (what arrives meanwhile is read and dropped), and the socket
    // closed once the server has acknowledged everything, or has stopped taking bytes for the
    // time-out, or on Abort. Failed uploads (not all of the file handed over) close at once.
    if (m_abort.load() || !m_request || m_request->kind != TransportRequest::Upload ||
        !m_request->upload || std::ftell(m_request->upload) < m_request->uploadSize) {
        return;
    }
    int pending = unacknowledgedBytes(socket);
    if (pending <= 0) return;
    ::shutdown(socket, SHUT_WR);
    // The stall is counted from the last time the server took bytes, not from here, so that
    // a server that stopped reading is given up within one stall time in all.
    auto lastProgress = m_lastAdvance;
    bool peerClosed = false;
    while (!m_abort.load()) {
        if (peerClosed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } else {
            pollfd readable{socket, POLLIN, 0};
            ::poll(&readable, 1, 20);
            char scratch[4096];
            ssize_t got = 1;
            while (got > 0) got = ::recv(socket, scratch, sizeof scratch, MSG_DONTWAIT);
            peerClosed = got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
        }
        const int left = unacknowledgedBytes(socket);
        if (left <= 0) return;
        const auto now = std::chrono::steady_clock::now();
        if (left < pending) {
            pending = left;
            lastProgress = now;
        } else if (now - lastProgress > std::chrono::milliseconds(m_stallLimitMs)) {
            return;
        }
    }
}

int FtpTransport::onCloseSocket(void* self, int socket) {
    auto* t = static_cast<FtpTransport*>(self);
    // Still listed meanwhile, so that Abort can shut it down.
    t->letTheServerTakeTheRest(socket);
    if (socket == t->m_controlSocket) t->m_controlSocket = -1;
    if (socket == t->m_dataSocket) {
        t->m_dataSocket = -1;
        t->m_dataClosed = true;
    }
    // Forget the number before it is freed, so abort never shuts down a reused one.
    std::lock_guard<std::mutex> lock(t->m_socketsMutex);
    t->m_sockets.erase(socket);
    return ::close(socket);
}

void FtpTransport::applyOptions(const TransportOptions& o, const TransportRequest& r) {
    CURL* c = static_cast<CURL*>(m_curl);
    curl_easy_reset(c);
    const std::string url = urlFor(o, r.path);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp,sftp");
    curl_easy_setopt(c, CURLOPT_USERNAME, o.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, o.password.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(c, CURLOPT_FTPPORT, o.passive ? nullptr : "-");
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 0L);
    if (o.protocol == FtpProtocol::Ftps) {
        // Once TLS is asked for, a server that does not offer it is refused: the login never
        // travels in clear text.
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    }
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, o.verifyPeer ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, o.verifyPeer ? 2L : 0L);
    if (!o.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, o.caFile.c_str());
    if (o.protocol == FtpProtocol::Sftp) {
        long auth = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
        if (!o.sshPrivateKey.empty()) {
            auth |= CURLSSH_AUTH_PUBLICKEY;
            curl_easy_setopt(c, CURLOPT_SSH_PRIVATE_KEYFILE, o.sshPrivateKey.c_str());
            if (!o.sshKeyPassphrase.empty()) {
                curl_easy_setopt(c, CURLOPT_KEYPASSWD, o.sshKeyPassphrase.c_str());
            }
            if (!o.sshPublicKey.empty()) {
                curl_easy_setopt(c, CURLOPT_SSH_PUBLIC_KEYFILE, o.sshPublicKey.c_str());
            }
        }
        curl_easy_setopt(c, CURLOPT_SSH_AUTH_TYPES, auth);
        const std::string known = o.sshKnownHosts.empty() ? knownHostsFile() : o.sshKnownHosts;
        if (!known.empty()) {
            curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, known.c_str());
            curl_easy_setopt(c, CURLOPT_SSH_KEYFUNCTION, &onHostKey);
        }
    }
    // Nothing waits longer than the connect time-out for a connection, nor longer than the
    // stall time for a server that stops answering or stops taking bytes.
    const long timeoutMs = o.timeoutMs > 0 ? o.timeoutMs : kDefaultConnectTimeout;
    const long stallMs = o.stallMs > 0 ? o.stallMs : kDefaultStallTimeout;
    const long stallS = stallMs < 1000 ? 1 : stallMs / 1000;
    m_stallLimitMs = stallMs;
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, stallS);
    curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stallS);
    // The subject of a certificate that is refused is named to the user.
    if (o.protocol == FtpProtocol::Ftps) {
        curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, &onSslContext);
    }
    switch (o.resolve) {
        case rnLocal:
            curl_easy_setopt(c, CURLOPT_PROXY, "");
            break;
        case rnPreConfig:
            break;  // the environment's ftp_proxy, all_proxy and no_proxy apply
        case rnProxy:
            curl_easy_setopt(c, CURLOPT_PROXY, o.proxy.c_str());
            curl_easy_setopt(c, CURLOPT_NOPROXY, o.proxyBypass.c_str());
            curl_easy_setopt(c, CURLOPT_HTTPPROXYTUNNEL, 1L);
            break;
    }
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &FtpTransport::onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &FtpTransport::onWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &FtpTransport::onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &FtpTransport::onOpenSocket);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &FtpTransport::onCloseSocket);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, &FtpTransport::onSocketMade);
    curl_easy_setopt(c, CURLOPT_SOCKOPTDATA, this);
    switch (r.kind) {
        case TransportRequest::Command:
            curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
            break;
        case TransportRequest::List:
            if (!r.customRequest.empty()) {
                curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, r.customRequest.c_str());
            }
            break;
        case TransportRequest::Upload:
            curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
            // Larger sends mean fewer system calls and callbacks per megabyte.
            curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024L);
            curl_easy_setopt(c, CURLOPT_READFUNCTION, &FtpTransport::onRead);
            curl_easy_setopt(c, CURLOPT_READDATA, this);
            curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(r.uploadSize));
            curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, o.transferText ? 1L : 0L);
            break;
    }
}

TransportResult FtpTransport::perform(const TransportOptions& options,
                                      const TransportRequest& request) {
    TransportResult result;
    if (!m_curl || m_abort.load()) {
        result.curlCode = m_curl ? CURLE_ABORTED_BY_CALLBACK : CURLE_FAILED_INIT;
        result.aborted = m_abort.load();
        result.connectionLost = true;
        return result;
    }
    CURL* c = static_cast<CURL*>(m_curl);
    applyOptions(options, request);
    SList quote(request.quote);
    SList postQuote(request.postQuote);
    if (quote.list) curl_easy_setopt(c, CURLOPT_QUOTE, quote.list);
    if (postQuote.list) curl_easy_setopt(c, CURLOPT_POSTQUOTE, postQuote.list);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    m_request = &request;
    m_result = &result;
    m_partialLine.clear();
    m_lastAcknowledged = 0;
    m_lastAdvance = std::chrono::steady_clock::now();
    m_stalled = false;
    m_dataClosed = false;
    m_greeted = false;
    m_socketOpened = false;
    std::string refusedSubject;
    t_refusedSubject = &refusedSubject;
    const CURLcode code = curl_easy_perform(c);
    t_refusedSubject = nullptr;
    m_request = nullptr;
    m_result = nullptr;
    // An accepted data socket is closed by the library without telling us.
    m_dataSocket = -1;

    result.stalled = m_stalled || code == CURLE_OPERATION_TIMEDOUT;
    result.curlCode = m_stalled ? CURLE_OPERATION_TIMEDOUT : code;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.responseCode);
    const char* entry = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry) {
        result.entryPath = entry;
    }
    result.aborted = m_abort.load();
    if (code != CURLE_OK) {
        result.errorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
        result.connectionLost = result.aborted || losesConnection(code);
    }
    if (code == CURLE_PEER_FAILED_VERIFICATION) result.certificateSubject = refusedSubject;
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(c, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(c, CURLOPT_POSTQUOTE, nullptr);
    return result;
}

}  // namespace sonthra::ftp
