// The document controller: the sequences that make, open, save, revert and close documents
// (File, New; Open; the recent files; files handed over by the command handler; Save and Save
// As to WAV, MP3 or back to WMA; Revert; Close) and the song information's tag-only save. It
// owns no widget: the main window is its DocumentSurface and shows what it is told. The
// documents, busy flag, workspace copies and recent files are the session's. Call from the GUI
// thread.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

#include "app/audio_document.h"
#include "app/ui/edit_controller.h"
#include "settings/ui/record_formats.h"

class QWidget;

namespace sonthra {

// What an open refused for want of room in the temporary folder returns (the user was warned).
// Other failures return message 104 too, so ask OpenFoundNoRoom() rather than compare.
inline constexpr int kNoRoomForWorkspace = 104;

struct AudioFileFacts;
class DocumentSession;
class NXWavePlayer;
class Settings;
class TransportController;
class UserDialogs;

// The MP3 converter and encoder. Until they are set an MP3 file is refused as the missing
// MP3 component (message 229) and saving as MP3 asks that question and is refused.
struct Mp3Services {
    std::function<bool(const std::string& path)> canConvert;
    std::function<std::uint32_t(const std::string& path)> bitRate;  // kbit/s
    // Decodes source into the PCM WAV file destination: 0 or the converter's result.
    std::function<int(const std::string& source, const std::string& destination)> convertToWave;
    // Encodes the WAV file source into target: 0, or 129 when refused or cancelled.
    std::function<int(const std::string& source, const std::string& target, bool saveAs,
                      std::int32_t suggestedBitRate)>
        encode;
};

// What the controller needs from the window that shows the documents.
class DocumentSurface {
public:
    virtual ~DocumentSurface() = default;

    // The display, overview, document button and Window item of a new document, hidden: 0 or
    // a message number (not shown).
    virtual int CreateParts(AudioDocument& document) = 0;
    virtual void DestroyParts(std::uint32_t id) = 0;
    // The document's display and overview read its working copy as it is, without peaks (an
    // empty file of a new document).
    virtual void OpenEmptyAudio(const AudioDocument& document) = 0;
    // The current document's display builds the peaks of file under the progress dialog (its
    // peak file first with tryPeakFile) and shows the whole file: 0 or the message shown.
    virtual int BuildPeaks(const std::string& file, bool tryPeakFile) = 0;
    // The current document's overview from file: 0 or the message shown.
    virtual int BuildOverview(const std::string& file, bool tryPeakFile) = 0;
    // Shows this document's parts in place of the others' (none: the empty view); the document
    // buttons placed after one came or went.
    virtual void ShowParts(const AudioDocument* document) = 0;
    virtual void PlaceDocumentButtons() = 0;
    // Status bar, title and read-outs of the current document.
    virtual void ShowDocument() = 0;
    // No document: the empty view, a blank status bar and title, the no-document commands.
    virtual void ShowNoDocument() = 0;
    // The document's name changed: its button and Window item, and the title when current.
    virtual void ShowRenamed(const AudioDocument& document) = 0;

    // Commands: a command state by number, one command, the podcast and song-information
    // commands, and everything from the current document's state and selection.
    virtual void SwitchCommands(int state) = 0;
    virtual void EnableCommand(EditCommand command, bool on) = 0;
    virtual void PodcastCommands(const AudioDocument& document) = 0;
    virtual void SongInfoCommands() = 0;
    virtual void CommandsFromDocument() = 0;

    virtual void StopPlayback() = 0;
    virtual void StopRecording() = 0;
    // The recording format window decides the format of a new document: false when cancelled.
    virtual bool AskRecordingFormat(RecordFormat& format) = 0;
    // The format last confirmed in the recording format window.
    virtual RecordFormat RecordingFormat() const = 0;
    // The WMA export window saves name from source: 0, or non-zero when it failed (shown) or
    // was cancelled.
    virtual int ExportToWma(const std::string& name, const std::string& source) = 0;
    // The dialogs' parent.
    virtual QWidget* DialogParent() = 0;
};

class DocumentController {
public:
    DocumentController(DocumentSurface& surface, DocumentSession& session, UserDialogs& dialogs,
                       const TransportController& transport);

    // Without an engine every command does nothing; without settings there are no recent files.
    void Attach(NXWavePlayer* engine, Settings* settings) {
        m_engine = engine;
        m_settings = settings;
    }
    void SetMp3Services(Mp3Services services) { m_mp3 = std::move(services); }
    const Mp3Services& Mp3() const { return m_mp3; }

    // File menu commands. FileSaveMenuClick is Save (mode 1) or Save As (mode 2).
    void FileNewMenuClick();
    void FileOpenMenuClick();
    void FileSaveMenuClick(int mode);
    void FileRevertMenuClick();
    void FileCloseMenuClick();
    void FileImportFromWMAMenuClick() { LoadWmaFile({}); }
    // A recent-files item chosen by its number.
    void RecentFileChosen(int number);
    // One file of the command handler: a WAV or MP3 opens, a WMA file or ".plst" list is
    // imported, unsaved makes the file an unsaved document. 0 or what the open came to, as
    // OpenFileByPath and LoadWmaFile say.
    int OpenRequested(const QString& path, bool unsaved);
    // Whether the last OpenRequested was refused for want of room in the temporary folder,
    // which leaves none for the files after it either.
    bool OpenFoundNoRoom() const { return m_openFoundNoRoom; }

    // A new empty document in this format (named name, or "Untitled<n>.wav"), after closing the
    // open one with the save prompt: 0, 129 or the message number shown.
    int NewDocument(const RecordFormat& format, const QString& name = {});
    // Opens a WAV or MP3 file, told from its content, as the one document: 0, 129 (cancelled at
    // the save prompt), 184 (missing), 104 (no room in the temporary folder), a refusal of
    // wave/wave_inspect.h or another message number, each already shown except 229 (the MP3
    // component is missing), which the caller asks about. The open document is closed only
    // once the new one is ready to take its place.
    int OpenFileByPath(const QString& path);
    // Opens a WAV file as a new, unsaved document named displayName (or "Untitled<n>.wav").
    // With adopt the file, a temporary file made by the program, becomes the working copy and
    // goes with the document; otherwise the working copy is a copy and the file stays.
    void OpenAsUnsaved(const QString& wavPath, const QString& displayName, bool adopt);
    // Imports a WMA file (a ".plst" list starts with "@") into a workspace WAV that becomes an
    // unsaved document under the WMA name; an empty path asks for the file. 0, 129 when the
    // choice was cancelled, else 489 (the reason shown).
    int LoadWmaFile(const QString& path);
    // Makes document `index` current; with reload its peaks, zoom, overview and format are
    // read again from its working copy.
    void SelectDocument(int index, bool reload);
    // Closes document `index`, with the save prompt when ask is set: 0, 129 or a message number.
    int CloseDocument(int index, bool ask);
    // Closes every document, last first; false when the user cancelled a prompt. With
    // keepUnsaved nothing is asked and the working copy of unsaved audio stays where it is.
    bool CloseDocuments(bool keepUnsaved);
    // Save (mode 1) or Save As (mode 2) of document `index`: 0, 129 or a message number, not
    // yet shown.
    int SaveDocument(int index, int mode);

    // The song information window was confirmed for the current document; modified: it changed
    // something. A Clean document becomes Modified with the tag alone to write.
    void SongInfoConfirmed(bool modified);
    // After the recording format window was confirmed: a New document without audio takes the
    // new format.
    void RecordingFormatConfirmed();
    // The engine's reading of the file's format and length into the document: 0 or an engine
    // error.
    int ReadSampleFormat(AudioDocument& document, const std::string& file);
    // Paste follows whether the engine's clipboard holds audio.
    void PasteFromEngine();
    // A document without audio yet: the new-document commands, Paste from the clipboard.
    void NewDocumentCommands();

private:
    QWidget* parent() { return m_surface.DialogParent(); }
    void askMp3Component();
    int openAndAskMp3(const QString& path);
    int removeFailedDocument(std::uint32_t id, int result);
    // Shows why file is not opened, from its inspection; returns refused.
    int showRefusal(const std::string& file, const AudioFileFacts& facts, int refused);
    int openAsUnsavedSteps(AudioDocument& document, const std::string& wavPath, bool adopt);
    int saveCopyWithProgress(const std::string& source, const std::string& target,
                             const QString& caption);
    int saveAsMp3(AudioDocument& document, const std::string& source, const std::string& target,
                  bool saveAs);
    int saveTagOnly(AudioDocument& document);
    void writeTagOfCleanDocument(AudioDocument& document);
    void showTagNotSaved();
    int saveAsWma(AudioDocument& document);
    void afterSave(const std::string& previousName);
    void emptyUndoRedo(AudioDocument& document);

    DocumentSurface& m_surface;
    DocumentSession& m_session;
    UserDialogs& m_dialogs;
    const TransportController& m_transport;
    NXWavePlayer* m_engine = nullptr;
    Settings* m_settings = nullptr;
    Mp3Services m_mp3;
    bool m_songInfoChanged = false;
    // Set by a save that encoded MP3: the document is opened again from the saved file.
    bool m_reopenAfterSave = false;
    bool m_openFoundNoRoom = false;
};

}  // namespace sonthra
