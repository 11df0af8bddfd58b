// The document controller's saving: Save and Save As to WAV, MP3 or back to WMA, the tag-only
// save of an MP3 document, Revert, and the song information's confirmation.
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <utility>

#include "app/document_files.h"
#include "app/save_copy.h"
#include "app/transport_controller.h"
#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "convert/mp3_export.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "tags/tag_writer.h"

namespace sonthra {

namespace {

constexpr int kCannotRevert = 142;
constexpr int kCannotSave = 146;
constexpr int kBackupDeleteMs = 60000;
constexpr const char* kSaveFilter = "Wave Files (*.wav);;MP3 Files (*.mp3)";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

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

// ---- Save and revert.

int DocumentController::saveCopyWithProgress(const std::string& source, const std::string& target,
                                             const QString& caption) {
    FileCopyJob job(source, target);
    const int started = job.start();
    if (started != 0) return started;
    m_dialogs.runProgress(parent(), caption, false, [&job](bool cancel) {
        return PollProcess(job.record(), cancel, ProcessHooks{});
    });
    job.wait();
    return job.result();
}

void DocumentController::showTagNotSaved() {
    m_dialogs.messageBox(parent(), kProductCaption, kTagNotSavedText, DialogIcon::Error,
                         DialogButtons::Ok);
}

// The MP3 encoder writes the file; on Save the old file waits in its ".safe" backup until the
// new one is there, and comes back when the encoding is refused.
int DocumentController::saveAsMp3(AudioDocument& document, const std::string& source,
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
        document.tagOnly = false;
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

// Save of an unchanged document after the song information window: the tag alone, into what
// the file really is; a kind that takes no tag of ours is refused untouched.
void DocumentController::writeTagOfCleanDocument(AudioDocument& document) {
    std::string message;
    if (WriteTagByKind(document.fileName, document.tag, &message) != 0) {
        m_dialogs.messageBox(parent(), kProductCaption, QString::fromStdString(message),
                             DialogIcon::Error, DialogButtons::Ok);
    }
}

// Only the song information of an MP3 document changed: the tag is written into the file as
// it is, since encoding the same audio again would lose quality for nothing.
int DocumentController::saveTagOnly(AudioDocument& document) {
    if (!exists(document.fileName) || !document.tag.writeMp3(document.fileName)) {
        showTagNotSaved();
        return kCancelled;
    }
    document.state = DocumentState::Clean;
    document.tagOnly = false;
    m_surface.SongInfoCommands();
    m_surface.ShowDocument();
    return 0;
}

int DocumentController::saveAsWma(AudioDocument& document) {
    if (m_surface.ExportToWma(document.fileName, document.workFile) != 0) {
        return kCancelled;  // the window has shown any failure
    }
    document.state = DocumentState::Clean;
    document.tagOnly = false;
    m_surface.EnableCommand(EditCommand::Save, false);
    return 0;
}

int DocumentController::SaveDocument(int index, int mode) {
    AudioDocument* document =
        m_session.Documents().at(static_cast<std::size_t>(std::max(index, 0)));
    if (index < 0 || document == nullptr) return 0;
    // A clean document equals its file; only changed song information is written.
    if (mode == 1 && document->state == DocumentState::Clean) {
        if (m_songInfoChanged) writeTagOfCleanDocument(*document);
        return 0;
    }
    if (mode == 1 && document->tagOnly && document->sourceKind == SourceKind::Mp3 &&
        document->state == DocumentState::Modified) {
        return saveTagOnly(*document);
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
        const QString chosen = m_dialogs.saveFileName(parent(), request);
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
        m_reopenAfterSave = true;
    } else {
        const int copied = saveCopyWithProgress(source, target, "Saving wave file...");
        if (copied == kCancelled) return kCancelled;
        if (copied != 0) return kCannotSave;
        // A version 1 tag becomes an "id3 " chunk of version 2.
        const int tagged = document->tag.writeWave(target);
        if (tagged != 0) ShowMessage(m_dialogs, parent(), tagged);
        document->fileName = target;
        document->sourceKind = SourceKind::Wav;
        document->state = DocumentState::Clean;
        document->tagOnly = false;
    }
    m_surface.SongInfoCommands();
    m_surface.ShowDocument();
    return 0;
}

void DocumentController::emptyUndoRedo(AudioDocument& document) {
    EmptyFile(document.undoFile);
    EmptyFile(document.redoFile);
    m_surface.EnableCommand(EditCommand::Undo, false);
    m_surface.EnableCommand(EditCommand::Redo, false);
}

void DocumentController::afterSave(const std::string& previousName) {
    AudioDocument* document = m_session.Current();
    if (document == nullptr) return;
    if (document->fileName != previousName) {
        m_surface.ShowRenamed(*document);
        m_session.AddRecentFile(document->fileName);
    }
    m_surface.EnableCommand(EditCommand::Save, false);
    m_surface.EnableCommand(EditCommand::Revert, false);
    emptyUndoRedo(*document);
}

void DocumentController::FileSaveMenuClick(int mode) {
    DocumentList& documents = m_session.Documents();
    if (m_engine == nullptr || documents.current() == nullptr) return;
    BusyHold busy(m_session);
    if (!m_session.EnsureWorkingCopy(true)) return;
    const std::string previous = documents.current()->fileName;
    m_reopenAfterSave = false;
    const int result = SaveDocument(documents.currentIndex(), mode);
    if (result == kCancelled) return;
    if (result != 0) {
        ShowMessage(m_dialogs, parent(), result);
        return;
    }
    afterSave(previous);
    // An encoded MP3 differs from the audio it was made of: the document goes on from the
    // saved file, as it would after opening it, and the old working copy goes.
    if (std::exchange(m_reopenAfterSave, false)) {
        AudioDocument* saved = documents.current();
        if (saved == nullptr || saved->sourceKind != SourceKind::Mp3 ||
            saved->state != DocumentState::Clean) {
            return;
        }
        const QString path = qs(saved->fileName);
        CloseDocument(documents.currentIndex(), false);
        openAndAskMp3(path);
    }
}

void DocumentController::FileRevertMenuClick() {
    DocumentList& documents = m_session.Documents();
    AudioDocument* document = documents.current();
    if (m_engine == nullptr || document == nullptr || document->state != DocumentState::Modified ||
        m_transport.BlocksEditing()) {
        return;
    }
    BusyHold busy(m_session);
    const int index = documents.currentIndex();
    if (document->sourceKind == SourceKind::Mp3) {
        document->state = DocumentState::Clean;
        const QString path = qs(document->fileName);
        CloseDocument(index, false);
        const int opened = OpenFileByPath(path);
        if (opened == kMp3NoComponent) askMp3Component();
        if (opened != 0) return;
    } else {
        // The working copy is replaced whole, so a failed revert leaves it as it was.
        const int copied = saveCopyWithProgress(document->fileName, document->workFile,
                                                "Reverting the changes...");
        if (copied == kCancelled) {
            ShowMessage(m_dialogs, parent(), kCancelled);
            return;
        }
        if (copied != 0) {
            ShowMessage(m_dialogs, parent(), kCannotRevert);
            return;
        }
        document->state = DocumentState::Clean;
        document->tagOnly = false;
        SelectDocument(index, true);
    }
    if (AudioDocument* reverted = documents.current()) {
        m_surface.EnableCommand(EditCommand::Revert, false);
        m_surface.EnableCommand(EditCommand::Save, false);
        emptyUndoRedo(*reverted);
    }
}

// ---- Song information.

void DocumentController::SongInfoConfirmed(bool modified) {
    AudioDocument* document = m_session.Current();
    if (document == nullptr) return;
    m_songInfoChanged = true;
    // A changed tag makes a file-backed document Modified so that closing asks; an unsaved one
    // stays New. Its audio is still the file's until an edit says otherwise.
    if (modified && document->state == DocumentState::Clean) {
        document->state = DocumentState::Modified;
        document->tagOnly = true;
    }
    m_surface.EnableCommand(EditCommand::Save, document->state != DocumentState::Clean);
}

}  // namespace sonthra
