// Song information, MP3 services, WMA import and export, batch export and the podcast controller:
// the main window's side of them. The windows and the conversions live in the tags and convert
// libraries; here they meet the documents.
#include <QAction>
#include <QDialog>
#include <QToolButton>

#include "app/document_files.h"
#include "app/ui/document_batch_host.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/podcast_controller.h"
#include "convert/batch_export.h"
#include "convert/ui/batch_param_form.h"
#include "convert/ui/mp3_document_services.h"
#include "convert/ui/wma_export_form.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/nx_wave_player.h"
#include "tags/document_tag.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {

using namespace main_form;

// The engine reaches the document and transport controllers with the media services.
void TMainForm::attachMedia() {
    m_docs->Attach(m_engine, m_settings);
    m_transport.Attach(m_engine, &m_transportSurface, &m_documents);
    if (m_mp3Services) return;
    m_mp3Services = std::make_shared<Mp3DocumentServices>(m_dialogs, m_settings, this);
    Mp3DocumentServices* mp3 = m_mp3Services.get();
    m_docs->SetMp3Services({
        [mp3](const std::string& path) { return mp3->canConvert(path); },
        [mp3](const std::string& path) { return mp3->bitRate(path); },
        [mp3](const std::string& source, const std::string& destination) {
            return mp3->convertToWave(source, destination);
        },
        [mp3](const std::string& source, const std::string& target, bool saveAs,
              std::int32_t kbps) { return mp3->encode(source, target, saveAs, kbps); },
    });
    m_wmaExport = new TWMAExportForm(m_dialogs, m_settings, this);
}

PodcastController& TMainForm::Podcast() {
    if (!m_podcast) {
        PodcastController::Hooks hooks;
        hooks.saveDocument = [this] { Action("FileSaveMenu")->trigger(); };
        hooks.refreshCommands = [this] { setCommandStateFromDocument(); };
        hooks.settings = [this] { return m_settings; };
        m_podcast = std::make_shared<PodcastController>(m_dialogs, m_session, this, hooks);
    }
    return *m_podcast;
}

void TMainForm::songInfoMenuClick() {
    AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    BusyHold busy(m_session);
    if (m_songInfoForm == nullptr) m_songInfoForm = new TSongInfoForm(m_dialogs, this);
    if (m_songInfoForm->Execute(document->tag, qs(document->fileName)) != QDialog::Accepted) {
        return;
    }
    m_docs->SongInfoConfirmed(m_songInfoForm->SongInfoModified());
}

void TMainForm::captionFromFileName(AudioDocument& document) {
    m_documentSurface.ShowRenamed(document);
    if (&document == m_documents.current()) updateDocumentDisplay();
}

void TMainForm::FileExportToWmaMenuClick() {
    AudioDocument* document = m_documents.current();
    if (document == nullptr || m_wmaExport == nullptr) return;
    BusyHold busy(m_session);
    const std::string source =
        m_session.EnsureWorkingCopy(true) ? document->workFile : document->fileName;
    m_wmaExport->FileExportToWma(document->fileName, source);
}

void TMainForm::BatchExportMenuClick() {
    if (m_documents.empty() || !m_mp3Services || m_transport.BlocksEditing()) return;
    BusyHold busy(m_session);
    if (!m_session.EnsureWorkingCopy(true)) return;
    if (m_batchForm == nullptr) m_batchForm = new TBatchProcessParamSelectionForm(m_dialogs, this);
    if (m_burnForm == nullptr) m_burnForm = new TWMAExportFormForBurn(m_dialogs, m_settings, this);
    std::vector<BatchAudio> audio;
    for (std::size_t i = 0; i < m_documents.count(); ++i) {
        const AudioDocument* document = m_documents.at(i);
        audio.push_back({FileSize(document->workFile).value_or(0), document->channels,
                         document->sampleRate, document->bitsPerSample});
    }
    DocumentBatchHost host(m_session, *m_docs, this, m_dialogs, *m_mp3Services, *m_burnForm,
                           m_songInfoForm,
                           [this](AudioDocument& document) { captionFromFileName(document); });
    sonthra::BatchExportMenuClick(m_dialogs, this, *m_batchForm, host, audio, tempFolder());
}

}  // namespace sonthra
