// The current document's tags and its conversions beyond WAV: Change Song Information, File,
// Export, To WMA and Batch Export, and the MP3 services the documents open and save MP3 files
// with. It owns their windows (made when first needed, children of the main window) and no widget
// of the main window; it reads the documents from the session. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace sonthra {

struct AudioDocument;
class DocumentController;
class DocumentSession;
class Mp3DocumentServices;
class Settings;
class TBatchProcessParamSelectionForm;
class TransportController;
class TSongInfoForm;
class TWMAExportForm;
class TWMAExportFormForBurn;
class UserDialogs;

class MediaController {
public:
    // renamed is told of each document an export re-pointed to a new file.
    MediaController(UserDialogs& dialogs, DocumentSession& session, DocumentController& files,
                    const TransportController& transport, QWidget* parent,
                    std::function<void(AudioDocument&)> renamed);
    ~MediaController();

    // Makes the MP3 services and the WMA export window with the settings store and hands the
    // services to the document controller; once.
    void Attach(Settings* settings);

    void songInfoMenuClick();
    void songInfoButtonClick() { songInfoMenuClick(); }
    void FileExportToWmaMenuClick();
    // Every open document to MP3 or WMA, after the batch window's choices.
    void BatchExportMenuClick();
    // The WMA export window for this document and source: its result, kCancelled without one.
    int ExportToWma(const std::string& name, const std::string& source);

private:
    UserDialogs& m_dialogs;
    DocumentSession& m_session;
    DocumentController& m_files;
    const TransportController& m_transport;
    QWidget* m_parent;
    std::function<void(AudioDocument&)> m_renamed;
    Settings* m_settings = nullptr;
    std::shared_ptr<Mp3DocumentServices> m_mp3;
    TSongInfoForm* m_songInfo = nullptr;
    TWMAExportForm* m_wmaExport = nullptr;
    TWMAExportFormForBurn* m_burn = nullptr;
    TBatchProcessParamSelectionForm* m_batch = nullptr;
};

}  // namespace sonthra
