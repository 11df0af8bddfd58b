// Saving and reverting: File, Save and Save As to WAV (and to MP3 through the MP3 encoder once
// it is there), Revert and Close. Every copy onto a user's file goes through a new file in the
// target's folder that replaces the target only when it is complete.
#include <QAction>
#include <QFileInfo>
#include <QThread>
#include <QToolButton>

#include <chrono>
#include <cstdio>

#include "app/document_files.h"
#include "app/save_copy.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr int kCannotSave = 146;
constexpr int kCannotRevert = 142;
constexpr int kBackupDeleteMs = 60000;
constexpr const char* kSaveFilter = "Wave Files (*.wav);;MP3 Files (*.mp3)";

// The name without its extension, as the save dialog proposes it.
QString withoutExtension(const std::string& name) {
    const QFileInfo info(qs(name));
    const QString base = info.completeBaseName();
    return info.path() == "." && !qs(name).startsWith("./") ? base : info.path() + "/" + base;
}

bool exists(const std::string& path) {
    return QFileInfo::exists(qs(path));
}

}  // namespace

int TMainForm::saveCopyWithProgress(const std::string& source, const std::string& target,
                                    const QString& caption) {
    FileCopyJob job(source, target);
    const int started = job.start();
    if (started != 0) return started;
    m_dialogs.runProgress(this, caption, false, [&job](bool cancel) {
        return PollProcess(job.record(), cancel, ProcessHooks{});
    });
    job.wait();
    return job.result();
}

// The MP3 encoder writes the file; on Save the old file waits in its ".safe" backup until the
// new one is there, and comes back when the encoding is refused.
int TMainForm::saveAsMp3(AudioDocument& document, const std::string& source,
                         const std::string& target, bool saveAs) {
    if (!m_mp3.encode) {
        askMp3Component();
        return kCancelled;
    }
    auto takeOver = [&] {
        if (!exists(target) || !document.tag.writeMp3(target)) {
            showTagNotSaved();
            if (!exists(target)) return;
        }
        document.sourceKind = SourceKind::Mp3;
        if (m_mp3.bitRate) document.mp3BitRate = static_cast<std::int32_t>(m_mp3.bitRate(target));
        document.state = DocumentState::Clean;
    };
    if (saveAs) {
        if (m_mp3.encode(source, target, true, document.mp3BitRate) != 0) return kCancelled;
        document.fileName = target;
        takeOver();
        return 0;
    }
    const std::string backup = target + ".safe";
    const bool hadFile = exists(target);
    if (hadFile && std::rename(target.c_str(), backup.c_str()) != 0) return kCannotSave;
    document.fileName = target;
    if (m_mp3.encode(document.workFile, target, false, document.mp3BitRate) == 0) {
        if (hadFile) RemoveFile(backup);
        takeOver();
        return 0;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBackupDeleteMs);
    while (exists(target) && std::chrono::steady_clock::now() < deadline) {
        RemoveFile(target);
        if (exists(target)) QThread::msleep(50);
    }
    if (hadFile) std::rename(backup.c_str(), target.c_str());
    return kCancelled;
}

int TMainForm::SaveDocument(int index, int mode) {
    AudioDocument* document = m_documents.at(static_cast<std::size_t>(std::max(index, 0)));
    if (index < 0 || document == nullptr) return 0;
    // A clean document equals its file; only changed song information is written.
    if (mode == 1 && document->state == DocumentState::Clean) {
        if (m_songInfoChanged) writeTagOfCleanDocument(*document);
        return 0;
    }
    // A document imported from WMA saves back through the WMA export window.
    if (mode == 1 && HasExtension(document->fileName, ".wma")) return saveAsWma(*document);
    BusyHold busy(m_session);
    const std::string source =
        WorkingCopyUsable(*document) ? document->workFile : document->fileName;
    const bool ask = mode == 2 || document->state == DocumentState::New;
    std::string target = document->fileName;
    bool mp3 = document->sourceKind == SourceKind::Mp3;
    if (ask) {
        FileDialogRequest request;
        request.title = mode == 2 ? "Save As" : "Save";
        request.filter = kSaveFilter;
        request.defaultSuffix = "wav";
        request.fileName = withoutExtension(document->fileName);
        int filter = 0;
        request.chosenFilter = &filter;
        const QString chosen = m_dialogs.saveFileName(this, request);
        if (chosen.isEmpty()) return kCancelled;
        target = chosen.toStdString();
        // A typed ".mp3" or ".wav" says what the user wants; otherwise the filter decides.
        mp3 = HasExtension(target, ".mp3") || (filter == 2 && !HasExtension(target, ".wav"));
        if (mp3 && !HasExtension(target, ".mp3")) target += ".mp3";
        if (!mp3 && !HasExtension(target, ".wav")) target += ".wav";
    }
    if (mp3) {
        const std::string input =
            document->sourceKind == SourceKind::Mp3 ? document->workFile : source;
        const int encoded = saveAsMp3(*document, input, target, mode == 2);
        if (encoded != 0) return encoded;
    } else {
        const int copied = saveCopyWithProgress(source, target, "Saving wave file...");
        if (copied == kCancelled) return kCancelled;
        if (copied != 0) return kCannotSave;
        // A version 1 tag becomes an "id3 " chunk of version 2.
        const int tagged = document->tag.writeWave(target);
        if (tagged != 0) ShowMessage(m_dialogs, this, tagged);
        document->fileName = target;
        document->sourceKind = SourceKind::Wav;
        document->state = DocumentState::Clean;
    }
    setSongInfoCommands();
    updateDocumentDisplay();
    return 0;
}

void TMainForm::afterSave(const std::string& previousName) {
    AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    if (document->fileName != previousName) {
        updateTitle();
        const QString caption = QFileInfo(qs(document->fileName)).fileName();
        if (DocumentParts* parts = partsOf(document)) {
            if (parts->button) parts->button->setText(caption);
            if (parts->windowItem) parts->windowItem->setText(caption);
        }
        m_session.AddRecentFile(document->fileName);
    }
    setCommandEnabled("FileSaveMenu", false);
    setCommandEnabled("FileRevertMenu", false);
    emptyUndoRedo(*document);
}

// Save and Save As share this handler; the menu item that sent it tells them apart.
void TMainForm::FileSaveMenuClick() {
    if (m_engine == nullptr || m_documents.current() == nullptr) return;
    const int mode = sender() == Action("FileSaveAsMenu") ? 2 : 1;
    BusyHold busy(m_session);
    if (!EnsureWorkingCopy(true)) return;
    const std::string previous = m_documents.current()->fileName;
    const int result = SaveDocument(m_documents.currentIndex(), mode);
    if (result == kCancelled) return;
    if (result != 0) {
        ShowMessage(m_dialogs, this, result);
        return;
    }
    afterSave(previous);
}

void TMainForm::FileRevertMenuClick() {
    AudioDocument* document = m_documents.current();
    if (m_engine == nullptr || document == nullptr || document->state != DocumentState::Modified ||
        m_transport.BlocksEditing()) {
        return;
    }
    BusyHold busy(m_session);
    const int index = m_documents.currentIndex();
    if (document->sourceKind == SourceKind::Mp3) {
        document->state = DocumentState::Clean;
        const QString path = qs(document->fileName);
        CloseDocument(index, false);
        const int opened = OpenFileByPath(path);
        if (opened == 229) askMp3Component();
        if (opened != 0) return;
    } else {
        // The working copy is replaced whole, so a failed revert leaves it as it was.
        const int copied = saveCopyWithProgress(document->fileName, document->workFile,
                                                "Reverting the changes...");
        if (copied == kCancelled) {
            ShowMessage(m_dialogs, this, kCancelled);
            return;
        }
        if (copied != 0) {
            ShowMessage(m_dialogs, this, kCannotRevert);
            return;
        }
        document->state = DocumentState::Clean;
        SelectDocument(index, true);
    }
    if (AudioDocument* reverted = m_documents.current()) {
        setCommandEnabled("FileRevertMenu", false);
        setCommandEnabled("FileSaveMenu", false);
        emptyUndoRedo(*reverted);
    }
}

void TMainForm::FileCloseMenuClick() {
    if (m_documents.current() == nullptr) return;
    BusyHold busy(m_session);
    if (m_transport.IsPlaying()) StopPlayback();
    if (m_transport.IsRecording()) StopRecording();
    CloseDocument(m_documents.currentIndex(), true);
    layoutDocumentButtons();
}

}  // namespace sonthra
