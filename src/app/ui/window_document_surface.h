// The main window as the document controller sees it: each document's parts, their peaks and
// overview, the status bar, title and commands that follow the current document. A friend of the
// window; it holds no state of its own.
#pragma once

#include "app/ui/document_controller.h"

namespace sonthra {

class TMainForm;

class WindowDocumentSurface final : public DocumentSurface {
public:
    explicit WindowDocumentSurface(TMainForm& form) : m_form(form) {}

    int CreateParts(AudioDocument& document) override;
    void DestroyParts(std::uint32_t id) override;
    void OpenEmptyAudio(const AudioDocument& document) override;
    int BuildPeaks(const std::string& file, bool tryPeakFile) override;
    int BuildOverview(const std::string& file, bool tryPeakFile) override;
    void ShowParts(const AudioDocument* document) override;
    void PlaceDocumentButtons() override;
    void ShowDocument() override;
    void ShowNoDocument() override;
    void ShowRenamed(const AudioDocument& document) override;
    void SwitchCommands(int state) override;
    void EnableCommand(EditCommand command, bool on) override;
    void PodcastCommands(const AudioDocument& document) override;
    void SongInfoCommands() override;
    void CommandsFromDocument() override;
    void StopPlayback() override;
    void StopRecording() override;
    bool AskRecordingFormat(RecordFormat& format) override;
    RecordFormat RecordingFormat() const override;
    int ExportToWma(const std::string& name, const std::string& source) override;
    QWidget* DialogParent() override;

private:
    TMainForm& m_form;
};

}  // namespace sonthra
