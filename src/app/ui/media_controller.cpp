#include "app/ui/media_controller.h"

#include <QDialog>

#include "app/busy_flag.h"
#include "app/document_files.h"
#include "app/transport_controller.h"
#include "app/ui/document_batch_host.h"
#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "convert/batch_export.h"
#include "convert/ui/batch_param_form.h"
#include "convert/ui/mp3_document_services.h"
#include "convert/ui/wma_export_form.h"
#include "messages/message_table.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {

MediaController::MediaController(UserDialogs& dialogs, DocumentSession& session,
                                 DocumentController& files, const TransportController& transport,
                                 QWidget* parent, std::function<void(AudioDocument&)> renamed)
    : m_dialogs(dialogs),
      m_session(session),
      m_files(files),
      m_transport(transport),
      m_parent(parent),
      m_renamed(std::move(renamed)) {}

MediaController::~MediaController() = default;

void MediaController::Attach(Settings* settings) {
    if (m_mp3) return;
    m_settings = settings;
    m_mp3 = std::make_shared<Mp3DocumentServices>(m_dialogs, m_settings, m_parent);
    Mp3DocumentServices* mp3 = m_mp3.get();
    m_files.SetMp3Services({
        [mp3](const std::string& path) { return mp3->canConvert(path); },
        [mp3](const std::string& path) { return mp3->bitRate(path); },
        [mp3](const std::string& source, const std::string& destination) {
            return mp3->convertToWave(source, destination);
        },
        [mp3](const std::string& source, const std::string& target, bool saveAs,
              std::int32_t kbps) { return mp3->encode(source, target, saveAs, kbps); },
    });
    m_wmaExport = new TWMAExportForm(m_dialogs, m_settings, m_parent);
}

void MediaController::songInfoMenuClick() {
    AudioDocument* document = m_session.Documents().current();
    if (document == nullptr) return;
    BusyHold busy(m_session);
    if (m_songInfo == nullptr) m_songInfo = new TSongInfoForm(m_dialogs, m_parent);
    if (m_songInfo->Execute(document->tag, QString::fromStdString(document->fileName)) !=
        QDialog::Accepted) {
        return;
    }
    m_files.SongInfoConfirmed(m_songInfo->SongInfoModified());
}

int MediaController::ExportToWma(const std::string& name, const std::string& source) {
    if (m_wmaExport == nullptr) return kCancelled;
    return m_wmaExport->FileExportToWma(name, source);
}

void MediaController::FileExportToWmaMenuClick() {
    AudioDocument* document = m_session.Documents().current();
    if (document == nullptr || m_wmaExport == nullptr) return;
    BusyHold busy(m_session);
    const std::string source =
        m_session.EnsureWorkingCopy(true) ? document->workFile : document->fileName;
    m_wmaExport->FileExportToWma(document->fileName, source);
}

void MediaController::BatchExportMenuClick() {
    const DocumentList& documents = m_session.Documents();
    if (documents.empty() || !m_mp3 || m_transport.BlocksEditing()) return;
    BusyHold busy(m_session);
    if (!m_session.EnsureWorkingCopy(true)) return;
    if (m_batch == nullptr) m_batch = new TBatchProcessParamSelectionForm(m_dialogs, m_parent);
    if (m_burn == nullptr) m_burn = new TWMAExportFormForBurn(m_dialogs, m_settings, m_parent);
    std::vector<BatchAudio> audio;
    for (std::size_t i = 0; i < documents.count(); ++i) {
        const AudioDocument* document = documents.at(i);
        audio.push_back({FileSize(document->workFile).value_or(0), document->channels,
                         document->sampleRate, document->bitsPerSample});
    }
    DocumentBatchHost host(m_session, m_files, m_parent, m_dialogs, *m_mp3, *m_burn, m_songInfo,
                           m_renamed);
    sonthra::BatchExportMenuClick(m_dialogs, m_parent, *m_batch, host, audio,
                                  m_session.TempFolder());
}

}  // namespace sonthra
