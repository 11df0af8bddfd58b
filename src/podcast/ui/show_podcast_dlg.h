// The podcast window "Podcast Information": collects an episode and its feed (a new series or
// an existing feed file with its list of episodes), checks the entries, and writes the feed,
// the description file and the page through the plain podcast library. Questions and messages
// go through UserDialogs; the account and summary windows through replaceable hooks, so tests
// drive the whole window with scripted answers. Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

#include "dialogs/ui/user_dialogs.h"
#include "podcast/host_table.h"
#include "podcast/podcast_feed.h"
#include "podcast/podcast_info.h"

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace sonthra {

class TShowPodcastDlg : public QDialog {
public:
    // The dialog's own result after a successful save, distinct from Accepted and Rejected.
    static constexpr int kSavedResult = 2;
    static constexpr int kOptionalPanelHeight = 325;

    // resourceFolder holds the page templates; hosts the host tables.
    TShowPodcastDlg(UserDialogs& dialogs, QString resourceFolder, podcast::HostTableFiles hosts,
                    QWidget* parent = nullptr);

    // Opens the window for the document's record and returns the feed file to upload, or empty.
    QString ShowPodcastDialogForEdit(podcast::PodcastInfo& info);
    // The two halves of it, for callers that run the window themselves. prepareForEdit returns
    // false, showing the file-name message, when the audio file's name cannot be published.
    bool prepareForEdit(podcast::PodcastInfo& info);
    QString finishEdit(podcast::PodcastInfo& info, int result);

    bool CheckAllParameters();
    void OkButtonClick();
    void CancelButtonClick();
    void MoreOptionsButtonClick();
    void PreExistingButtonClick();
    void ExistingHostComboBoxChange(const QString& name);
    void NewSeriesEditExit();
    void ExistingItemsListBoxClick(int row);
    void DeleteItemButtonClick();
    void setNewFeedMode(bool isNew);

    // Hooks: the account window for a host (true on OK) and the summary window (true for
    // "Upload Podcast Now"). They default to the real windows.
    std::function<bool(const QString& host)> showAccountDialog;
    std::function<bool(const podcast::PodcastInfo& info)> showInfoForm;

    const QString& CurrentHost() const { return m_currentHost; }
    const QString& FeedFileForUpload() const { return m_feedFileForUpload; }
    const podcast::HostSettings& HostSettings() const { return m_hostSettings; }
    bool optionalPanelOpen() const { return m_panelOpen; }

    // The controls, by the names the window's handlers use.
    QRadioButton* NewSeriesRadio;
    QRadioButton* PreExistingSeriesRadio;
    QLineEdit* NewSeriesEdit;
    QLineEdit* PreExistingEdit;
    QPushButton* PreExistingButton;
    QLineEdit* TitleEdit;
    QPlainTextEdit* DescriptionMemo;
    QDateEdit* PublicationDateTime;
    QLineEdit* PodcastLinkEdit;
    QLineEdit* SeriesTitleEdit;
    QPlainTextEdit* SeriesDescriptionMemo;
    QLineEdit* SeriesLinkEdit;
    QComboBox* ExistingHostComboBox;
    QGroupBox* OptionalPanel;
    QLineEdit* WebmasterEdit;
    QLineEdit* EditorEdit;
    QLineEdit* CopyrightEdit;
    QLineEdit* TTLEdit;
    QLineEdit* ImageLinkEdit;
    QLineEdit* CategoryEdit;
    QLineEdit* AuthorEdit;
    QComboBox* ExplicitComboBox;
    QListWidget* ExistingItemsListBox;
    QLineEdit* ItemTitleBox;
    QTextEdit* ItemDescriptionBox;
    QLineEdit* ItemLinkBox;
    QLineEdit* ItemDateBox;
    QPushButton* DeleteItemButton;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* MoreOptionsButton;

private:
    void buildControls();
    QWidget* buildOptionalPanel();
    podcast::PodcastForm formEntries() const;
    bool checkName(QLineEdit* box, const QString& name, bool wholeName, const char* question);
    bool checkLinks();
    void listItems(const QString& feed);
    void loadSeriesFromFeed(const QString& feed, bool channelFieldsToo);
    QString audioName() const;
    QString seriesLinkFor(const QString& name) const;
    void showStatus(const podcast::Status& status);

    UserDialogs& m_dialogs;
    QString m_resourceFolder;
    podcast::HostTableFiles m_hosts;
    podcast::HostTable m_hostTable;
    podcast::HostSettings m_hostSettings;
    podcast::PodcastFeedEditor m_editor;
    podcast::PodcastInfo* m_info = nullptr;
    QString m_currentHost;
    QString m_feedFileForUpload;
    QString m_savedDescriptionFile;
    bool m_panelOpen = false;
};

}  // namespace sonthra
