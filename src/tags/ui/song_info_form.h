// TSongInfoForm, "Enter Song Information": edits the tag a document carries. It is created
// once and shown modally for each edit; every showing refills it from the tag. On OK the
// fields go into the document's version 2 tag, or its version 1 tag, or a new version 2 tag.
// Messages and help go through the UserDialogs given. Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace sonthra {

class DocumentTag;
class UserDialogs;

inline constexpr const char* kInvalidTrackWhileTyping = "Error: Invalid Track No.";
inline constexpr const char* kInvalidTrackOnOk = "Error: Invalid Track No.!";

class TSongInfoForm : public QDialog {
    Q_OBJECT
public:
    explicit TSongInfoForm(UserDialogs& dialogs, QWidget* parent = nullptr);

    // Fills the window from tag for the document named fileName and runs it modally. Returns
    // QDialog::Accepted when closed with OK (the tag then holds the fields).
    int Execute(DocumentTag& tag, const QString& fileName);
    // Fills the controls (the showing steps); Execute calls it.
    void FormShow(DocumentTag& tag, const QString& fileName);

    // Whether the user changed anything since the showing. After OK with a change the caller
    // turns a Clean document into a Modified one and any other document into a New one.
    bool SongInfoModified() const { return m_modified; }

    // Handlers.
    void trackNoEditChange();
    void trackSpinUp();
    void trackSpinDown();
    void Button1Click();
    void HelpButtonClick();

    QLineEdit* titleEdit = nullptr;
    QLineEdit* trackNoEdit = nullptr;
    QToolButton* trackSpinUpButton = nullptr;
    QToolButton* trackSpinDownButton = nullptr;
    QLineEdit* artistEdit = nullptr;
    QLineEdit* yearEdit = nullptr;
    QLineEdit* albumEdit = nullptr;
    QLineEdit* linkEdit = nullptr;
    QComboBox* genreComboBox = nullptr;
    QLineEdit* copyrightEdit = nullptr;
    QLineEdit* languageEdit = nullptr;
    QLineEdit* composerEdit = nullptr;
    QLineEdit* commentEdit = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    void buildControls();
    void setVersion2ControlsEnabled(bool enabled);
    void markModified() { m_modified = true; }

    UserDialogs& m_dialogs;
    DocumentTag* m_tag = nullptr;
    bool m_modified = false;
    bool m_filling = false;
};

}  // namespace sonthra
