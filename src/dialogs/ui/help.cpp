#include "dialogs/ui/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "dialogs/ui/user_dialogs.h"

namespace sonthra {

std::vector<int> HelpTopics() {
    return {kHelpPreferences,     kHelpTrimSilence,     kHelpInsertSilence,  kHelpMute,
            kHelpRecordingFormat, kHelpBatchProcessing, kHelpSongInformation};
}

QString FindHelpFolder(const QString& applicationDir) {
    QStringList candidates = {applicationDir + "/../share/sonthra/help",
                              applicationDir + "/../../resources/help"};
    const QString sourceDir = qEnvironmentVariable("SONTHRA_SOURCE_DIR");
    if (!sourceDir.isEmpty()) candidates.append(sourceDir + "/resources/help");
    for (const QString& candidate : candidates) {
        const QString folder = QDir::cleanPath(candidate);
        if (QFileInfo(folder + "/" + HelpPageName(kHelpContents)).isFile()) return folder;
    }
    return {};
}

QString HelpPageName(int topic) {
    return topic == kHelpContents ? QString("index.html") : QString("topic-%1.html").arg(topic);
}

QString HelpTopicUrl(const QString& helpFolder, int topic) {
    if (helpFolder.isEmpty()) return {};
    for (int page : {topic, kHelpContents}) {
        const QFileInfo file(helpFolder + "/" + HelpPageName(page));
        if (file.isFile()) return QUrl::fromLocalFile(file.absoluteFilePath()).toString();
    }
    return {};
}

bool ShowHelpTopic(UserDialogs& dialogs, int topic) {
    const QString url = HelpTopicUrl(FindHelpFolder(QCoreApplication::applicationDirPath()), topic);
    if (url.isEmpty()) return false;
    dialogs.openUrl(url);
    return true;
}

}  // namespace sonthra
