// The batch export's view of the open documents and of the windows that export one: an MP3
// export asks for the song information when wanted, converts through the MP3 services and
// re-points the document; a WMA export goes through the batch WMA window.
#pragma once

#include <cstdint>
#include <functional>

#include "convert/batch_export.h"

class QWidget;

namespace sonthra {

class AudioDocument;
class DocumentController;
class DocumentSession;
class Mp3DocumentServices;
class TSongInfoForm;
class TWMAExportFormForBurn;
class UserDialogs;

class DocumentBatchHost : public BatchExportHost {
public:
    // songInfo is the window's song information window, made here when first needed; renamed
    // is told of each document the export re-pointed.
    DocumentBatchHost(DocumentSession& session, DocumentController& files, QWidget* parent,
                      UserDialogs& dialogs, Mp3DocumentServices& mp3, TWMAExportFormForBurn& burn,
                      TSongInfoForm*& songInfo, std::function<void(AudioDocument&)> renamed);

    std::size_t documentCount() const override;
    std::string documentFileName(std::size_t index) const override;
    std::size_t currentDocument() const override;
    void makeCurrent(std::size_t index) override;
    BatchStep exportMp3(std::size_t index, const std::string& destination, bool first,
                        bool editTags) override;
    BatchStep exportWma(std::size_t index, const std::string& destination) override;
    void showText(const std::string& text, bool failureList) override;

private:
    DocumentSession& m_session;
    DocumentController& m_files;
    QWidget* m_parent;
    UserDialogs& m_dialogs;
    Mp3DocumentServices& m_mp3;
    TWMAExportFormForBurn& m_burn;
    TSongInfoForm*& m_songInfo;
    std::function<void(AudioDocument&)> m_renamed;
    std::uint32_t m_lastKbps = 0;
};

}  // namespace sonthra
