// The summary window "Save Podcast Information" shown after a podcast was saved: every path and
// address of the podcast, read-only, and the choice to upload now or later.
// Call only from the GUI thread.
#pragma once

#include <QDialog>

#include "podcast/podcast_info.h"

class QLineEdit;
class QPushButton;

namespace sonthra {

// The texts the summary shows, worked out from the record and its feed.
struct PodcastSummary {
    QString audioLink, feedPath, feedLink, htmlLink, podcastPath, audioPath, htmlPath;
};
PodcastSummary podcastSummary(const podcast::PodcastInfo& info);

class TPodcastInfoForm : public QDialog {
public:
    explicit TPodcastInfoForm(const podcast::PodcastInfo& info, QWidget* parent = nullptr);

    QLineEdit* AudioLinkEdit;
    QLineEdit* FeedPathEdit;
    QLineEdit* FeedLinkEdit;
    QLineEdit* HtmlLinkEdit;
    QLineEdit* PodcastPathEdit;
    QLineEdit* AudioPathEdit;
    QLineEdit* HtmlPathEdit;
    QPushButton* UploadNowButton;    // OK
    QPushButton* UploadLaterButton;  // Cancel
};

}  // namespace sonthra
