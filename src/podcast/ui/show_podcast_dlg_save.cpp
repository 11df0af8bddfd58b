// The podcast window's checks, "&Save" and "&Close".
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "messages/message_table.h"
#include "podcast/html_page.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_checks.h"
#include "podcast/ui/show_podcast_dlg.h"

namespace sonthra {

using namespace podcast;

namespace {

const QString kForbidden = QString::fromLatin1(kForbiddenNameCharacters);

}  // namespace

bool TShowPodcastDlg::checkName(QLineEdit* box, const QString& name, bool wholeName,
                                const char* question) {
    const char last = lastForbiddenCharacter(name.toStdString());
    if (last == '\0') return true;
    // Only a name still to be written can be changed: an existing feed keeps its file name.
    if (last == ' ' && wholeName &&
        m_dialogs.messageBox(this, kProductCaption, question, DialogIcon::Question,
                             DialogButtons::YesNo) == DialogAnswer::Yes) {
        box->setText(QString(name).replace(' ', '_'));
        box->setFocus();
        return false;
    }
    m_dialogs.messageBox(
        this, kProductCaption,
        "Please Enter Valid Series Name Without SPACE," + kForbidden + " Characters.",
        DialogIcon::Warning, DialogButtons::Ok);
    box->setFocus();
    return false;
}

bool TShowPodcastDlg::checkLinks() {
    const auto linkValid = [this](QLineEdit* box) {
        const std::string problem = IsHTTPLinkValid(box->text().toStdString());
        if (problem.empty()) return true;
        m_dialogs.messageBox(this, kProductCaption, QString::fromStdString(problem),
                             DialogIcon::Information, DialogButtons::Ok);
        box->setFocus();
        return false;
    };
    if (!linkValid(PodcastLinkEdit)) return false;
    const std::string nameProblem =
        linkNameProblem(PodcastLinkEdit->text().toStdString(), audioName().toStdString());
    if (!nameProblem.empty()) {
        m_dialogs.messageBox(this, kProductCaption, QString::fromStdString(nameProblem),
                             DialogIcon::Warning, DialogButtons::Ok);
        PodcastLinkEdit->setFocus();
        return false;
    }
    return linkValid(SeriesLinkEdit);
}

bool TShowPodcastDlg::CheckAllParameters() {
    QString summary =
        "It is necessary for an RSS feed to be valid!\n\rPlease make sure that you have filled "
        "following field(s) properly:\n\r\n\r";
    int missing = 0;
    QWidget* first = nullptr;
    const auto add = [&](QWidget* box, const char* name) {
        summary += "(" + QString::number(++missing) + ")" + name + "\n\r";
        if (!first) first = box;
    };
    if (TitleEdit->text().isEmpty()) add(TitleEdit, " Title");
    if (DescriptionMemo->toPlainText().isEmpty()) add(DescriptionMemo, " Description");
    if (PreExistingSeriesRadio->isChecked()) {
        const QString path = PreExistingEdit->text();
        if (path.isEmpty()) {
            add(PreExistingEdit, " Existing series path");
        } else if (!checkName(PreExistingEdit, QFileInfo(path).fileName(), false,
                              "Some Podcast Aggregator may not support SPACE in the Feed Name\n\r "
                              "Do You want to replace all SPACES with UnderScore[_]")) {
            return false;
        }
    } else {
        const QString name = NewSeriesEdit->text();
        if (name.isEmpty()) {
            add(NewSeriesEdit, " New series name");
        } else if (!checkName(NewSeriesEdit, name, true,
                              "Some Podcast Aggregator may not support SPACE in the Feed Name\n\r "
                              "Do You want to replace all space with UnderScore[_]")) {
            return false;
        }
    }
    if (missing > 0) {
        m_dialogs.messageBox(this, "Incomplete Information", summary, DialogIcon::Warning,
                             DialogButtons::Ok);
        first->setFocus();
        return false;
    }
    return checkLinks();
}

void TShowPodcastDlg::OkButtonClick() {
    if (!m_info || !CheckAllParameters()) return;
    QString path = m_dialogs.saveFileName(
        this, FileDialogRequest{"Save As", {}, {}, "PDI Files (*.pdi)", "pdi"});
    if (path.isEmpty()) return;
    if (!path.contains(".pdi")) {
        const QFileInfo chosen(path);
        path = chosen.path() + "/" + chosen.completeBaseName() + ".pdi";
    }
    if (QFileInfo::exists(path) &&
        m_dialogs.messageBox(this, "Overwrite",
                             "The file " + path + " already exists. Do you want to overwrite it?",
                             DialogIcon::Question, DialogButtons::YesNo) != DialogAnswer::Yes) {
        return;
    }
    PodcastInfo& info = *m_info;
    info.DescriptionFile = path.toStdString();
    const PodcastForm form = formEntries();
    const bool existing = PreExistingSeriesRadio->isChecked();
    if (!existing) {
        Status status = m_editor.PrepareRSSForNewSeries(info, form);
        if (status.ok()) status = m_editor.CreateRSSFeed(info);
        if (!status.ok()) return showStatus(status);
        m_feedFileForUpload = QString::fromStdString(info.NewFeedFile);
    } else {
        Status status = m_editor.PrepareRSSForExistingSeries(info, form);
        if (status.ok()) status = m_editor.UpdateRSSFeed(info);
        if (!status.ok()) return showStatus(status);
        m_feedFileForUpload = QString::fromStdString(info.FeedFile);
    }
    if (m_currentHost != kCustomHost && !m_hostSettings.UploadPath.empty()) {
        info.UploadPath = m_hostSettings.UploadPath;
    }
    if (Status status = CreatePDIFile(info, existing, form.date); !status.ok()) {
        return showStatus(status);
    }
    // A page that cannot be made is reported; the feed and the description file stand.
    showStatus(CreateHTMLFile(info, m_resourceFolder.toStdString()));
    m_savedDescriptionFile = path;
    m_dialogs.messageBox(this, "Files Saved",
                         "Your podcast has been saved as " + path + "\n\r" +
                             "Please use this file for opening this podcast in future.",
                         DialogIcon::Information, DialogButtons::Ok);
    OkButton->setEnabled(false);
    done(kSavedResult);
}

void TShowPodcastDlg::CancelButtonClick() {
    if (m_savedDescriptionFile.isEmpty() &&
        m_dialogs.messageBox(this, "Save Podcast",
                             "Podcast not saved yet, The information filled for saving will "
                             "lost, Do you still want to Close ?",
                             DialogIcon::Question, DialogButtons::YesNo) != DialogAnswer::Yes) {
        return;
    }
    reject();
}

}  // namespace sonthra
