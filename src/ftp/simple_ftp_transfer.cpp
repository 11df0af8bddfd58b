// Uploads of TSimpleFTP and the progress they report.
#include <curl/curl.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "ftp/ftp_paths.h"
#include "ftp/ftp_transport.h"
#include "ftp/simple_ftp.h"

namespace sonthra::ftp {
namespace {

std::string randomTag() {
    std::random_device device;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(device()));
    return text;
}

struct File {
    std::FILE* f = nullptr;
    ~File() {
        if (f) std::fclose(f);
    }
};

}  // namespace

bool TSimpleFTP::PutFile(const std::string& localName) {
    const std::string folder = AddSlash(RemoteDir());
    if (localName.find_first_of("/\\") != std::string::npos) {
        return PutFileAs(localName, folder + localFileName(localName));
    }
    std::string local = LocalDir;
    if (!local.empty() && local.back() != '/') local += '/';
    return PutFileAs(local + localName, folder + localName);
}

bool TSimpleFTP::PutFailure(const std::string& localPath, const std::string& remotePath,
                            const std::string& why) {
    std::string text = "Error putting " + localPath + " to " + remotePath;
    if (!why.empty()) text += ": " + why;
    return Fail<ESimpleFTPError>(text);
}

bool TSimpleFTP::PutFileAs(const std::string& localPath, const std::string& remotePath) {
    if (!m_connected && !SilentExceptions) Fail<ESimpleFTPError>("Not connected!");
    std::error_code ec;
    const bool exists = std::filesystem::is_regular_file(localPath, ec);
    if (!exists && !SilentExceptions) {
        PutFailure(localPath, remotePath, "local file not found");
    }
    const auto size = exists ? std::filesystem::file_size(localPath, ec) : 0;
    if (!exists || ec) return PutFailure(localPath, remotePath, "local file not found");
    m_progress.BytesDone = 0;
    m_progress.FileSize = static_cast<std::int64_t>(size);
    m_progress.FileName = localFileName(localPath);
    if (!m_connected || remotePath.empty() || !isSafeRemoteText(remotePath) ||
        remotePath.back() == '/') {
        return PutFailure(localPath, remotePath, {});
    }
    std::string why;
    if (!UploadAndRename(localPath, resolveRemotePath(m_serverDir, remotePath), why)) {
        return PutFailure(localPath, remotePath, why);
    }
    HandleStatus(kStatusResponseReceived, 0);
    return true;
}

bool TSimpleFTP::UploadAndRename(const std::string& localPath, const std::string& target,
                                 std::string& why) {
    File file;
    file.f = std::fopen(localPath.c_str(), "rb");
    if (!file.f) return false;
    const std::size_t cut = target.rfind('/');
    const std::string folder = target.substr(0, cut + 1);
    const std::string temporary = folder + temporaryRemoteName(target.substr(cut + 1), randomTag());

    TransportRequest upload;
    upload.kind = TransportRequest::Upload;
    upload.path = temporary;
    upload.upload = file.f;
    upload.uploadSize = m_progress.FileSize;
    upload.postQuote = RenameCommands(temporary, target);
    const TransportResult result = Run(upload);
    if (result.ok()) return true;
    if (result.curlCode == CURLE_QUOTE_ERROR && m_connected) {
        // Every byte arrived but the server would not rename over the target (SFTP servers
        // never do). The old file is moved aside rather than deleted, and comes back should
        // the upload's rename fail again; when even that is refused, both stay as they are.
        if (ReplaceThroughAside(temporary, target)) return true;
        if (m_connected) {
            why =
                "the server refused to replace " + target + "; the upload is kept as " + temporary;
            return false;
        }
    }
    if (result.stalled) {
        why = "the server took nothing for " + std::to_string(StallTimeout() / 1000) + " s";
    }
    RemoveLeftover(temporary);
    return false;
}

bool TSimpleFTP::ReplaceThroughAside(const std::string& temporary, const std::string& target) {
    const std::size_t cut = target.rfind('/');
    const std::string aside =
        target.substr(0, cut + 1) + temporaryRemoteName(target.substr(cut + 1), randomTag());
    TransportRequest step;
    step.kind = TransportRequest::Command;
    step.path = "/";
    step.quote = RenameCommands(target, aside);
    if (!Run(step).ok()) return false;
    step.quote = RenameCommands(temporary, target);
    if (!Run(step).ok()) {
        step.quote = RenameCommands(aside, target);
        Run(step);
        return false;
    }
    step.quote = {RemoveCommand(aside, true)};
    Run(step);
    return true;
}

void TSimpleFTP::RemoveLeftover(const std::string& path) {
    if (AbortRequested()) return;
    TransportRequest remove;
    remove.kind = TransportRequest::Command;
    remove.path = "/";
    remove.quote = {RemoveCommand(path, true)};
    if (m_connected) {
        Run(remove);
        return;
    }
    FtpTransport own;
    own.perform(Options(), remove);
}

void TSimpleFTP::HandleStatus(int statusCode, std::int64_t byteCount) {
    if (statusCode == kStatusRequestSent || statusCode == kStatusResponseReceived) {
        const std::int64_t before = m_progress.BytesDone;
        m_progress.BytesDone += byteCount;
        if (m_progress.BytesDone == before || m_progress.BytesDone > m_progress.FileSize) {
            m_progress.BytesDone = m_progress.FileSize;
        }
        if (!m_progress.FileName.empty() && OnTransferProgress) {
            OnTransferProgress(*this, m_progress);
        }
        if (QuickProgress) UpdateQuickProgress();
    }
    TWinInetControl::HandleStatus(statusCode, byteCount);
}

void TSimpleFTP::UpdateQuickProgress() {
    if (QuickProgressMajor) {
        QuickProgressMajor->SetMaxAndPosition(m_progress.FileCount, m_progress.FileNumber);
    }
    if (QuickProgressMinor) {
        int percent = 0;
        if (m_progress.FileSize > 0) {
            percent =
                static_cast<int>(std::lround(static_cast<double>(m_progress.BytesDone) /
                                             static_cast<double>(m_progress.FileSize) * 100.0));
        }
        QuickProgressMinor->SetMaxAndPosition(100, percent);
    }
    if (QuickLabelMajor && m_progress.FileCount > 0) {
        QuickLabelMajor->SetCaption(std::to_string(m_progress.FileNumber) + " of " +
                                    std::to_string(m_progress.FileCount));
    }
    if (QuickLabelMinor && !m_progress.FileName.empty()) {
        QuickLabelMinor->SetCaption(m_progress.FileName);
    }
}

}  // namespace sonthra::ftp
