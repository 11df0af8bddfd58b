#include "podcast/ui/show_podcast_dlg.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "messages/message_table.h"
#include "podcast/html_page.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_checks.h"
#include "podcast/rss_date.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"
#include "podcast/ui/ftp_account_dialog.h"
#include "podcast/ui/podcast_info_form.h"

namespace sonthra {

using namespace podcast;

namespace {

std::string str(const QString& text) {
    return text.toStdString();
}
QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

DialogIcon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return DialogIcon::Information;
        case MessageIcon::Warning:
            return DialogIcon::Warning;
        case MessageIcon::Question:
            return DialogIcon::Question;
        case MessageIcon::Error:
            break;
    }
    return DialogIcon::Error;
}

const QString kForbiddenText = QString::fromLatin1(kForbiddenNameCharacters);

}  // namespace

TShowPodcastDlg::TShowPodcastDlg(UserDialogs& dialogs, QString resourceFolder, HostTableFiles hosts,
                                 QWidget* parent)
    : QDialog(parent),
      m_dialogs(dialogs),
      m_resourceFolder(std::move(resourceFolder)),
      m_hosts(std::move(hosts)),
      m_editor([this](const std::string& text, const std::string& caption) {
          return m_dialogs.messageBox(this, qs(caption), qs(text), DialogIcon::Question,
                                      DialogButtons::YesNo) == DialogAnswer::Yes;
      }) {
    setWindowTitle("Podcast Information");
    buildControls();
    showAccountDialog = [this](const QString& host) {
        TFTPAccountDialog account(m_dialogs, m_hosts, host, this);
        return account.exec() == QDialog::Accepted;
    };
    showInfoForm = [this](const PodcastInfo& info) {
        TPodcastInfoForm form(info, this);
        return form.exec() == QDialog::Accepted;
    };
    // The host list: every host of the table, then "<Custom>"; without a table it is disabled.
    m_currentHost = kCustomHost;
    if (m_hosts.exists() && m_hosts.load(m_hostTable).ok()) {
        for (const std::string& name : m_hostTable.sections())
            ExistingHostComboBox->addItem(qs(name));
        ExistingHostComboBox->addItem(kCustomHost);
    } else {
        ExistingHostComboBox->setEnabled(false);
    }
    connect(ExistingHostComboBox, &QComboBox::textActivated, this,
            &TShowPodcastDlg::ExistingHostComboBoxChange);
    setNewFeedMode(true);
}

void TShowPodcastDlg::buildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* feedGroup = new QGroupBox("Podcast Feed");
    auto* feedLayout = new QFormLayout(feedGroup);
    NewSeriesRadio = new QRadioButton("Create a new feed");
    PreExistingSeriesRadio = new QRadioButton("Add podcast to existing feed");
    NewSeriesEdit = new QLineEdit;
    NewSeriesEdit->setPlaceholderText("*Eg: Intrviws.xml");
    PreExistingEdit = new QLineEdit;
    PreExistingButton = new QPushButton("...");
    feedLayout->addRow(NewSeriesRadio);
    feedLayout->addRow("Enter Series Name:", NewSeriesEdit);
    feedLayout->addRow(PreExistingSeriesRadio);
    auto* existingRow = new QHBoxLayout;
    existingRow->addWidget(PreExistingEdit);
    existingRow->addWidget(PreExistingButton);
    feedLayout->addRow(existingRow);
    layout->addWidget(feedGroup);

    auto* infoGroup = new QGroupBox(" Podcast Info... ");
    auto* infoLayout = new QFormLayout(infoGroup);
    TitleEdit = new QLineEdit;
    TitleEdit->setPlaceholderText("*Eg: Interview with XYZ");
    DescriptionMemo = new QPlainTextEdit;
    DescriptionMemo->setPlaceholderText("*Eg: An interview with XYZ.");
    PublicationDateTime = new QDateEdit(QDate::currentDate());
    PublicationDateTime->setCalendarPopup(true);
    PodcastLinkEdit = new QLineEdit;
    PodcastLinkEdit->setPlaceholderText("*Eg: http://www.example.net/~you/podcast/Interview.mp3");
    infoLayout->addRow("Title :", TitleEdit);
    infoLayout->addRow("Description :", DescriptionMemo);
    infoLayout->addRow("Publication Date:", PublicationDateTime);
    infoLayout->addRow("Podcast Link :", PodcastLinkEdit);
    layout->addWidget(infoGroup);

    auto* seriesGroup = new QGroupBox(" Podcast Series Info... ");
    auto* seriesLayout = new QFormLayout(seriesGroup);
    SeriesTitleEdit = new QLineEdit;
    SeriesTitleEdit->setPlaceholderText("*Eg: Interview Series");
    SeriesDescriptionMemo = new QPlainTextEdit;
    SeriesDescriptionMemo->setPlaceholderText("*Eg:This is series of interviews by X");
    SeriesLinkEdit = new QLineEdit;
    SeriesLinkEdit->setPlaceholderText("*Eg: http://www.example.net/~you/podcast/Intrviws.xml");
    ExistingHostComboBox = new QComboBox;
    seriesLayout->addRow("Title :", SeriesTitleEdit);
    seriesLayout->addRow("Description :", SeriesDescriptionMemo);
    seriesLayout->addRow("Link:", SeriesLinkEdit);
    seriesLayout->addRow("Existing Hosts:", ExistingHostComboBox);
    layout->addWidget(seriesGroup);

    layout->addWidget(buildOptionalPanel());

    auto* buttons = new QHBoxLayout;
    MoreOptionsButton = new QPushButton("&More Options >>");
    OkButton = new QPushButton("&Save");
    CancelButton = new QPushButton("&Close");
    buttons->addWidget(MoreOptionsButton);
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(NewSeriesRadio, &QRadioButton::toggled, this, [this](bool on) { setNewFeedMode(on); });
    connect(PreExistingButton, &QPushButton::clicked, this,
            &TShowPodcastDlg::PreExistingButtonClick);
    connect(NewSeriesEdit, &QLineEdit::editingFinished, this, &TShowPodcastDlg::NewSeriesEditExit);
    connect(MoreOptionsButton, &QPushButton::clicked, this,
            &TShowPodcastDlg::MoreOptionsButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TShowPodcastDlg::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TShowPodcastDlg::CancelButtonClick);
    connect(ExistingItemsListBox, &QListWidget::currentRowChanged, this,
            &TShowPodcastDlg::ExistingItemsListBoxClick);
    connect(DeleteItemButton, &QPushButton::clicked, this, &TShowPodcastDlg::DeleteItemButtonClick);
}

QWidget* TShowPodcastDlg::buildOptionalPanel() {
    OptionalPanel = new QGroupBox("More Information For Feed");
    auto* panel = new QHBoxLayout(OptionalPanel);
    auto* channel = new QFormLayout;
    WebmasterEdit = new QLineEdit;
    EditorEdit = new QLineEdit;
    CopyrightEdit = new QLineEdit;
    TTLEdit = new QLineEdit;
    ImageLinkEdit = new QLineEdit;
    CategoryEdit = new QLineEdit;
    AuthorEdit = new QLineEdit;
    ExplicitComboBox = new QComboBox;
    ExplicitComboBox->addItems({"", "false", "true"});
    channel->addRow("Web master :", WebmasterEdit);
    channel->addRow("Editor : ", EditorEdit);
    channel->addRow("Copyright  : ", CopyrightEdit);
    channel->addRow("TTL :", TTLEdit);
    channel->labelForField(TTLEdit)->hide();
    TTLEdit->hide();
    channel->addRow("Author :", AuthorEdit);
    channel->addRow("Image Link :", ImageLinkEdit);
    channel->addRow("Category :", CategoryEdit);
    channel->addRow("Explicit :", ExplicitComboBox);
    panel->addLayout(channel);

    auto* items = new QFormLayout;
    ExistingItemsListBox = new QListWidget;
    ItemTitleBox = new QLineEdit;
    ItemDescriptionBox = new QTextEdit;
    ItemLinkBox = new QLineEdit;
    ItemDateBox = new QLineEdit;
    for (QLineEdit* box : {ItemTitleBox, ItemLinkBox, ItemDateBox}) box->setReadOnly(true);
    ItemDescriptionBox->setReadOnly(true);
    DeleteItemButton = new QPushButton("&Delete Item");
    items->addRow("Existing Items in Feed :", ExistingItemsListBox);
    items->addRow("Title :", ItemTitleBox);
    items->addRow("Description :", ItemDescriptionBox);
    items->addRow("Link :", ItemLinkBox);
    items->addRow("Publication Date:", ItemDateBox);
    items->addRow(DeleteItemButton);
    panel->addLayout(items);
    OptionalPanel->hide();
    return OptionalPanel;
}

void TShowPodcastDlg::setNewFeedMode(bool isNew) {
    if (NewSeriesRadio->isChecked() != isNew) {
        (isNew ? NewSeriesRadio : PreExistingSeriesRadio)->setChecked(true);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{
             NewSeriesEdit, SeriesTitleEdit, SeriesDescriptionMemo, SeriesLinkEdit, WebmasterEdit,
             EditorEdit, CopyrightEdit, TTLEdit, ImageLinkEdit, CategoryEdit, AuthorEdit,
             ExplicitComboBox}) {
        w->setEnabled(isNew);
    }
    PreExistingEdit->setEnabled(!isNew);
    PreExistingButton->setEnabled(!isNew);
}

QString TShowPodcastDlg::audioName() const {
    return m_info ? qs(fileNameOf(m_info->AudioFile)) : QString();
}

QString TShowPodcastDlg::seriesLinkFor(const QString& name) const {
    if (name.isEmpty()) return {};
    return qs(m_hostSettings.HttpLink) + name + (name.contains('.') ? "" : ".xml");
}

void TShowPodcastDlg::showStatus(const Status& status) {
    if (status.ok() || status.code == kCancelled) return;
    m_dialogs.messageBox(this, qs(status.caption), qs(status.text), iconOf(status.icon),
                         DialogButtons::Ok);
}

bool TShowPodcastDlg::prepareForEdit(PodcastInfo& info) {
    m_info = &info;
    m_editor.resetItemToReplace();
    m_feedFileForUpload.clear();
    m_savedDescriptionFile.clear();
    if (m_panelOpen) MoreOptionsButtonClick();
    OkButton->setEnabled(true);
    PublicationDateTime->setDate(QDate::currentDate());
    PodcastLinkEdit->setText("(your web address)/" + audioName());
    if (lastForbiddenCharacter(fileNameOf(info.AudioFile)) != '\0') {
        m_dialogs.messageBox(
            this, kProductCaption,
            "Please Save as Filename Without SPACE," + kForbiddenText + " Characters.",
            DialogIcon::Warning, DialogButtons::Ok);
        return false;
    }
    if (info.IsNew) {
        setNewFeedMode(true);
        return true;
    }
    TitleEdit->setText(qs(info.Title));
    DescriptionMemo->setPlainText(qs(info.Description));
    PodcastLinkEdit->setText(qs(info.Link));
    if (const auto date = parseDateText(info.PubDate)) {
        PublicationDateTime->setDate(QDate(date->year, date->month, date->day));
    }
    PreExistingEdit->setText(qs(info.FeedFile));
    m_feedFileForUpload = qs(info.FeedFile);
    listItems(qs(info.FeedFile));
    loadSeriesFromFeed(qs(info.FeedFile), true);
    setNewFeedMode(false);
    return true;
}

QString TShowPodcastDlg::ShowPodcastDialogForEdit(PodcastInfo& info) {
    if (!prepareForEdit(info)) return {};
    return finishEdit(info, exec());
}

QString TShowPodcastDlg::finishEdit(PodcastInfo& info, int result) {
    if (!m_hostSettings.UploadPath.empty() && info.UploadPath.empty() &&
        m_currentHost != kCustomHost) {
        info.UploadPath = m_hostSettings.UploadPath;
    }
    if (!m_savedDescriptionFile.isEmpty()) info.DescriptionFile = str(m_savedDescriptionFile);
    const QDate date = PublicationDateTime->date();
    info.PubDate = isoDateText({date.year(), date.month(), date.day()});
    if (result != kSavedResult) return {};
    info.NewFeedFile = str(m_feedFileForUpload);
    info.Title = str(TitleEdit->text());
    return showInfoForm(info) ? m_feedFileForUpload : QString();
}

void TShowPodcastDlg::listItems(const QString& feed) {
    ExistingItemsListBox->clear();
    if (feed.isEmpty()) return;
    std::vector<std::string> titles;
    Status status;
    m_editor.GetItemListInFeed(str(feed), titles, str(TitleEdit->text()), &status);
    for (const std::string& title : titles) ExistingItemsListBox->addItem(qs(trimmed(title)));
    showStatus(status);
}

void TShowPodcastDlg::loadSeriesFromFeed(const QString& feed, bool channelFieldsToo) {
    Lines lines;
    if (!readTextLines(str(feed), lines).ok()) return;
    const auto text = [&](const char* tag) { return qs(trimmed(GetFeedElementText(lines, tag))); };
    SeriesTitleEdit->setText(text("<title>"));
    SeriesDescriptionMemo->setPlainText(
        qs(trimmed(plainTextFromHtml(GetFeedElementText(lines, "<description>")))));
    SeriesLinkEdit->setText(text("<link>"));
    if (!channelFieldsToo) return;
    CopyrightEdit->setText(text("<copyright>"));
    TTLEdit->setText(text("<ttl>"));
    EditorEdit->setText(text("<managingEditor>"));
    WebmasterEdit->setText(text("<webMaster>"));
    AuthorEdit->setText(text("<itunes:author>"));
    ImageLinkEdit->setText(qs(GetFeedAttributeText(lines, "<itunes:image", "href")));
    CategoryEdit->setText(qs(GetFeedAttributeText(lines, "<itunes:category", "text")));
    ExplicitComboBox->setCurrentText(text("<itunes:explicit>"));
}

void TShowPodcastDlg::PreExistingButtonClick() {
    const QString path = m_dialogs.openFileName(
        this, FileDialogRequest{"Open", {}, {}, "XML Files (*.xml *.XML)", {}});
    if (path.isEmpty()) return;
    PreExistingEdit->setText(path);
    listItems(path);
    if (!m_panelOpen) MoreOptionsButtonClick();
    loadSeriesFromFeed(path, false);
    const QString channelLink = SeriesLinkEdit->text();
    if (!channelLink.isEmpty()) {
        PodcastLinkEdit->setText(channelLink.left(channelLink.lastIndexOf('/') + 1) + audioName());
    }
}

void TShowPodcastDlg::NewSeriesEditExit() {
    if (!NewSeriesEdit->text().isEmpty())
        SeriesLinkEdit->setText(seriesLinkFor(NewSeriesEdit->text()));
}

void TShowPodcastDlg::ExistingHostComboBoxChange(const QString& name) {
    m_currentHost = name;
    if (name.isEmpty() || name == kCustomHost) {
        m_hostSettings = hostSettingsFor(m_hostTable, kCustomHost, m_hostSettings);
        return;
    }
    m_hostSettings = hostSettingsFor(m_hostTable, str(name), m_hostSettings);
    if (m_hostSettings.UserName.empty()) {
        if (!showAccountDialog(name)) return;
        m_hosts.load(m_hostTable);
        m_hostSettings = hostSettingsFor(m_hostTable, str(name), m_hostSettings);
    }
    PodcastLinkEdit->setText(qs(m_hostSettings.HttpLink) + audioName());
    if (NewSeriesRadio->isChecked()) SeriesLinkEdit->setText(seriesLinkFor(NewSeriesEdit->text()));
}

void TShowPodcastDlg::MoreOptionsButtonClick() {
    m_panelOpen = !m_panelOpen;
    OptionalPanel->setVisible(m_panelOpen);
    resize(width(), height() + (m_panelOpen ? kOptionalPanelHeight : -kOptionalPanelHeight));
    MoreOptionsButton->setText(m_panelOpen ? "More Options <<" : "More Options >>");
}

void TShowPodcastDlg::ExistingItemsListBoxClick(int row) {
    Lines lines;
    if (row < 0 || !readTextLines(str(PreExistingEdit->text()), lines).ok()) return;
    const int n = row + 1;
    ItemDescriptionBox->setPlainText(
        qs(trimmed(plainTextFromHtml(GetItemElementText(lines, "<description>", n)))));
    ItemTitleBox->setText(qs(trimmed(GetItemElementText(lines, "<title>", n))));
    ItemLinkBox->setText(qs(trimmed(GetItemElementText(lines, "<link>", n))));
    ItemDateBox->setText(qs(trimmed(GetItemElementText(lines, "<pubDate>", n))));
}

void TShowPodcastDlg::DeleteItemButtonClick() {
    const int row = ExistingItemsListBox->currentRow();
    if (row < 0) return;
    std::vector<std::string> titles;
    const QString feed = PreExistingEdit->text();
    showStatus(m_editor.DeleteItem(str(feed), row + 1, titles, str(TitleEdit->text())));
    listItems(feed);
}

PodcastForm TShowPodcastDlg::formEntries() const {
    PodcastForm form;
    form.title = str(TitleEdit->text());
    form.description = str(DescriptionMemo->toPlainText());
    const QDate date = PublicationDateTime->date();
    form.date = {date.year(), date.month(), date.day()};
    form.newFeedName = str(NewSeriesEdit->text());
    // A path left in the box of the other mode must not steer a new series' page.
    if (PreExistingSeriesRadio->isChecked()) form.existingFeedPath = str(PreExistingEdit->text());
    form.link = str(PodcastLinkEdit->text());
    form.seriesTitle = str(SeriesTitleEdit->text());
    form.seriesDescription = str(SeriesDescriptionMemo->toPlainText());
    form.seriesLink = str(SeriesLinkEdit->text());
    form.webmaster = str(WebmasterEdit->text());
    form.copyright = str(CopyrightEdit->text());
    form.ttl = str(TTLEdit->text());
    form.editor = str(EditorEdit->text());
    form.imageLink = str(ImageLinkEdit->text());
    form.category = str(CategoryEdit->text());
    form.author = str(AuthorEdit->text());
    form.explicitFlag = str(ExplicitComboBox->currentText());
    return form;
}

}  // namespace sonthra
