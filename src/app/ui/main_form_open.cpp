// Opening: File, New through the recording format window, File, Open, opening by path with
// its space estimate, peaks and background workspace copy, adopting a WAV file as an unsaved
// document, the files the command handler hands over and the recent-files entries.
#include <QFileInfo>

#include "app/document_files.h"
#include "app/temp_names.h"
#include "app/ui/command_states.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/rec_settings_form.h"
#include "view/ui/overview.h"
#include "wave/wave_writer.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr int kNoRoom = 104;
constexpr int kFileMissing = 184;
constexpr int kMp3ComponentMissing = 229;
constexpr int kUndoRedoNotMade = 177;
constexpr int kCopyThreadNotStarted = 181;

constexpr const char* kOpenFilter =
    "Wave Files (*.wav);;MP3 Files (*.mp3);;All Supported Media Types (*.mp3 *.wav)";
constexpr const char* kNoRoomText =
    "Warning : There is not enough free space on your temporary drive. It is recommended to make "
    "more free space available, and try again.?";
// The page the MP3 component question opens.
constexpr const char* kCodecPageUrl = "https://www.corvanta.com/sonthra/codecs/";

}  // namespace

// The recording format window decides; a window made without one takes the current format.
bool TMainForm::askRecordingFormat(RecordFormat& format) {
    if (m_recSettings != nullptr && m_recSettings->exec() != QDialog::Accepted) return false;
    format = RecordingFormat();
    return true;
}

void TMainForm::askMp3Component() {
    if (AskMessage(m_dialogs, this, kMp3ComponentMissing, DialogButtons::YesNo,
                   DialogIcon::Warning) == DialogAnswer::Yes) {
        m_dialogs.openUrl(kCodecPageUrl);
    }
}

void TMainForm::FileNewMenuClick() {
    if (m_engine == nullptr || m_transport.IsRecording()) return;
    holdBusy();
    RecordFormat format;
    if (!askRecordingFormat(format)) {
        setCommandEnabled("FileExportMenu", false);
        releaseBusy();
        return;
    }
    if (NewDocument(format) == 0) {
        setCommandEnabled("FileExportMenu", false);
        if (m_transport.IsPlaying()) StopPlayback();
    }
    releaseBusy();
}

int TMainForm::NewDocument(const RecordFormat& format, const QString& name) {
    if (!m_documents.empty()) {
        const int closed = CloseDocument(static_cast<int>(m_documents.count()) - 1, true);
        if (closed != 0) return closed;
    }
    auto document = std::make_unique<AudioDocument>();
    document->id = m_documents.nextId();
    const std::string work = ReserveTempName(tempPreference());
    if (work.empty()) return ShowMessage(m_dialogs, this, kTempFileNotMade);
    const int made =
        createEmptyWave(work, format.sampleRate, format.bitsPerSample, format.channels);
    if (made != 0) {
        RemoveFile(work);
        return ShowMessage(m_dialogs, this, made);
    }
    document->fileName = name.isEmpty() ? m_documents.nextUntitledName() : name.toStdString();
    document->workFile = work;
    document->undoFile = ReserveTempName(tempPreference());
    document->redoFile = ReserveTempName(tempPreference());
    document->state = DocumentState::New;
    document->workspace = WorkspaceState::Ready;
    document->sampleRate = format.sampleRate;
    document->bitsPerSample = format.bitsPerSample;
    document->channels = format.channels;
    FillFormat(*document);
    auto removeFiles = [&] {
        RemoveFile(document->workFile);
        RemoveFile(document->undoFile);
        RemoveFile(document->redoFile);
    };
    if (document->undoFile.empty() || document->redoFile.empty()) {
        removeFiles();
        return ShowMessage(m_dialogs, this, kUndoRedoNotMade);
    }
    const int parts = createParts(*document);
    if (parts != 0) {
        destroyParts(document->id);
        removeFiles();
        return ShowMessage(m_dialogs, this, parts);
    }
    DocumentParts* own = partsOf(document.get());
    own->view->OpenWaveFile(work);
    own->overview->OpenWaveFile(work);

    const std::size_t index = m_documents.append(std::move(document));
    m_documents.setCurrent(static_cast<int>(index));
    showDocumentParts(m_documents.current());
    layoutDocumentButtons();
    updateDocumentDisplay();
    m_documents.countUntitled();
    setNewDocumentCommands();
    return 0;
}

// Takes a document that failed half way out again; its working files go with it.
int TMainForm::removeFailedDocument(std::uint32_t id, int result) {
    m_session.CancelWorkspaceJob(id);
    const int index = m_documents.indexOfId(id);
    if (index >= 0) {
        const AudioDocument* document = m_documents.at(static_cast<std::size_t>(index));
        RemoveFile(document->workFile);
        RemoveFile(document->undoFile);
        RemoveFile(document->redoFile);
        destroyParts(id);
        m_documents.remove(static_cast<std::size_t>(index));
    }
    if (m_documents.empty()) {
        showNoDocument();
    } else if (m_documents.current() == nullptr) {
        SelectDocument(static_cast<int>(m_documents.count()) - 1, false);
    }
    return result;
}

int TMainForm::OpenFileByPath(const QString& path) {
    if (path.isEmpty() || m_engine == nullptr) return 0;
    const std::string file = path.toStdString();
    if (!QFileInfo(path).isFile()) return ShowMessage(m_dialogs, this, kFileMissing, {path});
    const bool mp3 = HasExtension(file, ".mp3");
    // Without the MP3 converter nothing is closed for a file that cannot be opened anyway.
    if (mp3 && !(m_mp3.canConvert && m_mp3.bitRate && m_mp3.convertToWave)) {
        return kMp3ComponentMissing;
    }

    // A WAV file that cannot be read is refused before the open document is closed for it.
    if (!mp3 && m_documents.indexOfFileName(file) < 0) {
        AudioFileInfo info;
        const int unreadable = m_engine->AudioGetFileInfo(&info, file);
        if (unreadable != 0) return ShowEngineError(m_dialogs, this, unreadable);
    }
    if (!m_documents.empty()) {
        const int closed = CloseDocument(static_cast<int>(m_documents.count()) - 1, true);
        if (closed != 0) return closed;
    }
    const int open = m_documents.indexOfFileName(file);
    if (open >= 0) {
        SelectDocument(open, false);
        return 0;
    }

    const std::uint32_t bitRate = mp3 ? m_mp3.bitRate(file) : 0;
    const std::uint64_t needed = EstimateWorkspaceBytes(FileSize(file).value_or(0), mp3, bitRate);
    const std::optional<std::uint64_t> room = FreeSpaceBytes(tempFolder());
    if (room && *room < needed) {
        m_dialogs.messageBox(this, kProductCaption, kNoRoomText, DialogIcon::Warning,
                             DialogButtons::Ok);
        return kNoRoom;
    }

    auto record = std::make_unique<AudioDocument>();
    AudioDocument& document = *record;
    document.id = m_documents.nextId();
    document.workFile = ReserveTempName(tempPreference());
    if (document.workFile.empty()) return ShowMessage(m_dialogs, this, kTempFileNotMade);
    if (mp3) {
        const bool possible = m_mp3.canConvert(file);
        const int converted = possible ? m_mp3.convertToWave(file, document.workFile) : 0;
        if (!possible || converted != 0) {
            RemoveFile(document.workFile);
            return possible ? converted : kMp3ComponentMissing;
        }
        document.mp3BitRate = static_cast<std::int32_t>(bitRate);
    }
    document.fileName = file;
    document.undoFile = ReserveTempName(tempPreference());
    document.redoFile = ReserveTempName(tempPreference());
    document.state = DocumentState::Clean;
    document.sourceKind = mp3 ? SourceKind::Mp3 : SourceKind::Wav;
    document.workspace = mp3 ? WorkspaceState::Ready : WorkspaceState::BeingCreated;
    // A WAV file without a readable "id3 " chunk simply has no song information.
    if (mp3) {
        document.tag.readMp3(file);
    } else {
        document.tag.readWave(file);
    }
    const std::uint32_t id = document.id;
    const int parts = createParts(document);
    m_documents.setCurrent(static_cast<int>(m_documents.append(std::move(record))));
    if (parts != 0) return removeFailedDocument(id, ShowMessage(m_dialogs, this, parts));
    if (document.undoFile.empty() || document.redoFile.empty()) {
        return removeFailedDocument(id, ShowMessage(m_dialogs, this, kUndoRedoNotMade));
    }

    // A WAV file is shown from itself at once; MP3 documents only have their converted copy.
    const std::string shown = mp3 ? document.workFile : file;
    DocumentParts* own = partsOf(&document);
    const int peaks = RunPeakBuild(*own->view, shown, true, true, kBuildingPeaks);
    if (peaks != 0) return removeFailedDocument(id, peaks);
    zoomToFit(*own->view);
    buildOverview(shown, true);

    if (!mp3) {
        const int started = m_session.StartWorkspaceJob(document);
        if (started != 0) {
            return removeFailedDocument(id, ShowMessage(m_dialogs, this, kCopyThreadNotStarted));
        }
    }
    const int error = readSampleFormat(document, shown);
    if (error != 0) return removeFailedDocument(id, ShowEngineError(m_dialogs, this, error));

    showDocumentParts(&document);
    layoutDocumentButtons();
    updateDocumentDisplay();
    SetCommandState(kStateFileOpened);
    SetCommandState(kStateNoSelection);
    setPodcastCommands(document);
    setPasteFromEngine();
    m_session.AddRecentFile(file);
    setSongInfoCommands();
    return 0;
}

void TMainForm::FileOpenMenuClick() {
    if (m_engine == nullptr || m_transport.IsRecording()) return;
    holdBusy();
    FileDialogRequest request;
    request.title = "Open";
    request.filter = kOpenFilter;
    request.defaultSuffix = "wav";
    const QString path = m_dialogs.openFileName(this, request);
    if (!path.isEmpty()) {
        if (m_transport.IsPlaying()) StopPlayback();
        const int result = OpenFileByPath(path);
        if (result != 0 && m_documents.current() != nullptr) {
            SelectDocument(m_documents.currentIndex(), false);
        }
        if (result == kMp3ComponentMissing) askMp3Component();
    }
    releaseBusy();
}

int TMainForm::openAsUnsavedSteps(AudioDocument& document, const std::string& wavPath, bool adopt) {
    if (adopt) {
        RemoveFile(document.workFile);
        document.workFile = wavPath;
    } else {
        // The user's own file stays where it is: the document works on a copy of it.
        WorkspaceJob copy(wavPath, document.workFile, document.id);
        if (copy.start({}) != 0) return ShowMessage(m_dialogs, this, kCopyThreadNotStarted);
        m_dialogs.runProgress(this, "Preparing file for editing...", true, [&copy](bool cancel) {
            return PollProcess(copy.record(), cancel, ProcessHooks{});
        });
        copy.cancel();
        copy.waitForEnd(std::chrono::milliseconds::max());
        if (!copy.succeeded()) return ShowMessage(m_dialogs, this, copy.result(), {qs(wavPath)});
    }
    document.tag.readWave(document.workFile);
    DocumentParts* own = partsOf(&document);
    const int peaks = RunPeakBuild(*own->view, document.workFile, false, true, kBuildingPeaks);
    if (peaks != 0) return peaks;
    zoomToFit(*own->view);
    buildOverview(document.workFile, true);
    const int error = readSampleFormat(document, document.workFile);
    if (error != 0) return ShowEngineError(m_dialogs, this, error);
    showDocumentParts(&document);
    updateDocumentDisplay();
    SetCommandState(kStateRecordingStopped);
    SetCommandState(kStateNoSelection);
    setCommandEnabled("FileSaveMenu", true);
    setPasteFromEngine();
    return 0;
}

void TMainForm::OpenAsUnsaved(const QString& wavPath, const QString& displayName, bool adopt) {
    if (m_engine == nullptr) return;
    if (!QFileInfo(wavPath).isFile()) {
        ShowMessage(m_dialogs, this, kFileMissing, {wavPath});
        return;
    }
    if (NewDocument(RecordingFormat(), displayName) != 0) return;
    AudioDocument* document = m_documents.current();
    if (openAsUnsavedSteps(*document, wavPath.toStdString(), adopt) != 0) {
        CloseDocument(m_documents.indexOfId(document->id), false);
    }
}

// One file of the command handler (message 0x4CB): the command line, a second copy's file or
// a file dropped on the window.
void TMainForm::openRequested(const QString& path, bool unsaved) {
    if (m_engine == nullptr) return;
    const std::string file = path.toStdString();
    if (HasExtension(file, ".plst") || HasExtension(file, ".wma")) {
        // A play list goes to the WMA library marked with "@".
        LoadWmaFile(HasExtension(file, ".plst") ? "@" + path : path);
        return;
    }
    if (unsaved) {
        OpenAsUnsaved(path, {}, false);
        return;
    }
    holdBusy();
    const int result = OpenFileByPath(path);
    if (result != 0 && m_documents.current() != nullptr) {
        SelectDocument(m_documents.currentIndex(), false);
    }
    if (result == kMp3ComponentMissing) askMp3Component();
    releaseBusy();
}

void TMainForm::recentFileChosen(int number) {
    if (m_engine == nullptr || m_settings == nullptr || m_transport.IsRecording()) return;
    const SettingRead<std::string> entry = m_settings->readRecentFile(number);
    if (entry.result == 183 || entry.result == 185) {
        ShowMessage(m_dialogs, this, entry.result);
        return;
    }
    if (entry.value.empty()) return;
    holdBusy();
    if (m_transport.IsPlaying()) StopPlayback();
    const int result = OpenFileByPath(qs(entry.value));
    if (result != 0 && m_documents.current() != nullptr) {
        SelectDocument(m_documents.currentIndex(), false);
    }
    if (result == kMp3ComponentMissing) askMp3Component();
    releaseBusy();
}

}  // namespace sonthra
