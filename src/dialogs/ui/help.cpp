#include "dialogs/ui/help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"

namespace sonthra {

std::vector<int> HelpTopics() {
    return {kHelpPreferences,     kHelpTrimSilence,     kHelpInsertSilence,  kHelpMute,
            kHelpRecordingFormat, kHelpBatchProcessing, kHelpSongInformation};
}

QString FindHelpFolder(const QString& applicationDir) {
    // Beside an installed program (lib/sonthra/../../share), a program in a bin folder, and
    // the build folder's program under the source tree.
    QStringList candidates = {applicationDir + "/../../share/sonthra/help",
                              applicationDir + "/../share/sonthra/help",
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

namespace {

QPointer<QWidget> g_helpWindow;

// A small reader for the help pages: their links between each other work, outside links are
// left to the browser.
void showInHelpWindow(const QString& url) {
    if (g_helpWindow == nullptr) {
        g_helpWindow = new QWidget(nullptr, Qt::Window);
        g_helpWindow->setObjectName("HelpWindow");
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        g_helpWindow->setWindowTitle(QStringLiteral("Sonthra Help"));
        auto* layout = new QVBoxLayout(g_helpWindow);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* browser = new QTextBrowser(g_helpWindow);
        browser->setObjectName("HelpBrowser");
        browser->setOpenExternalLinks(true);
        layout->addWidget(browser);
        g_helpWindow->resize(640, 480);
    }
    auto* browser = g_helpWindow->findChild<QTextBrowser*>("HelpBrowser");
    browser->setSource(QUrl(url));
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
}

}  // namespace

QWidget* HelpWindow() {
    return g_helpWindow.data();
}

bool ShowHelpPage(UserDialogs& dialogs, const QString& url) {
    if (url.isEmpty()) {
        const QString folder =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/sonthra/help");
        dialogs.messageBox(
            nullptr, kProductCaption,
            "The help pages are not installed: they were looked for in " + folder + ".",
            DialogIcon::Information, DialogButtons::Ok);
        return false;
    }
    if (!dialogs.openUrl(url)) showInHelpWindow(url);
    return true;
}

bool ShowHelpTopic(UserDialogs& dialogs, int topic) {
    return ShowHelpPage(
        dialogs, HelpTopicUrl(FindHelpFolder(QCoreApplication::applicationDirPath()), topic));
}

}  // namespace sonthra
