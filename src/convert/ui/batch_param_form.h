// The batch export choices window (TBatchProcessParamSelectionForm: folder, MP3 or WMA, the
// song-information and overwrite boxes, remembered for the run) and the command that runs a
// batch behind it. Call only from the GUI thread.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "convert/batch_export.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace sonthra {

class UserDialogs;

inline constexpr int kBatchHelpTopic = 61;

class TBatchProcessParamSelectionForm : public QDialog {
    Q_OBJECT
public:
    explicit TBatchProcessParamSelectionForm(UserDialogs& dialogs, QWidget* parent = nullptr);
    // Shows the window with the remembered choices (an empty folder becomes workspaceFolder);
    // true when closed with Next on an existing folder, the choices then remembered.
    bool ask(const std::string& workspaceFolder);
    const BatchChoices& choices() const { return m_choices; }

private slots:
    void FormatSelectionComboBoxChange();
    void BrowseButtonClick();
    void Button1Click();

private:
    UserDialogs& m_dialogs;
    BatchChoices m_choices;
    QLineEdit* m_folderEdit = nullptr;
    QComboBox* m_formatCombo = nullptr;
    QCheckBox* m_tagBox = nullptr;
    QCheckBox* m_overwriteBox = nullptr;
};

// Batch Export: the choices window, the space check for the documents, then the batch. The
// outcome's exported count is 0 when the window was cancelled or the space was short.
BatchOutcome BatchExportMenuClick(UserDialogs& dialogs, QWidget* parent,
                                  TBatchProcessParamSelectionForm& form, BatchExportHost& host,
                                  const std::vector<BatchAudio>& documents,
                                  const std::string& workspaceFolder);

}  // namespace sonthra
