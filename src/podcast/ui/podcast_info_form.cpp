#include "podcast/ui/podcast_info_form.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "podcast/html_page.h"
#include "podcast/rss_feed.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"

namespace sonthra {

using namespace podcast;

PodcastSummary podcastSummary(const PodcastInfo& info) {
    const std::string feed = info.FeedFile.empty() ? info.NewFeedFile : info.FeedFile;
    std::string feedLink = info.SeriesLink;
    if (feedLink.empty()) {
        Lines lines;
        if (readTextLines(feed, lines).ok())
            feedLink = trimmed(GetFeedElementText(lines, "<link>"));
    }
    const auto q = [](const std::string& text) { return QString::fromStdString(text); };
    return PodcastSummary{q(info.Link),
                          q(feed),
                          q(feedLink),
                          q(pagePathForFeed(feedLink)),
                          q(info.DescriptionFile),
                          q(info.AudioFile),
                          q(pagePathForFeed(feed))};
}

TPodcastInfoForm::TPodcastInfoForm(const PodcastInfo& info, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Save Podcast Information");
    const PodcastSummary summary = podcastSummary(info);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto row = [&](const char* label, const QString& value) {
        auto* box = new QLineEdit(value);
        box->setReadOnly(true);
        box->setMinimumWidth(420);
        form->addRow(label, box);
        return box;
    };
    AudioLinkEdit = row("Audio File Link :", summary.audioLink);
    FeedPathEdit = row("Feed File Path :", summary.feedPath);
    FeedLinkEdit = row("Feed File Link :", summary.feedLink);
    HtmlLinkEdit = row("HTML File Link :", summary.htmlLink);
    PodcastPathEdit = row("Podcast File Path :", summary.podcastPath);
    AudioPathEdit = row("Audio File Path :", summary.audioPath);
    HtmlPathEdit = row("HTML File Path :", summary.htmlPath);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    UploadNowButton = new QPushButton("Upload Podcast Now");
    UploadLaterButton = new QPushButton("Upload Podcast Later");
    buttons->addStretch();
    buttons->addWidget(UploadNowButton);
    buttons->addWidget(UploadLaterButton);
    layout->addLayout(buttons);
    connect(UploadNowButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(UploadLaterButton, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace sonthra
