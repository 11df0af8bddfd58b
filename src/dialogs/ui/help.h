// The help pages: one HTML page per help topic number in a help folder, opened in the user's
// browser. Call only from the GUI thread.
#pragma once

#include <QString>

#include <vector>

class QWidget;

namespace sonthra {

class UserDialogs;

inline constexpr int kHelpContents = 0;  // index.html
inline constexpr int kHelpPreferences = 16;
inline constexpr int kHelpTrimSilence = 19;
inline constexpr int kHelpInsertSilence = 25;
inline constexpr int kHelpMute = 31;
inline constexpr int kHelpRecordingFormat = 37;
inline constexpr int kHelpBatchProcessing = 61;
inline constexpr int kHelpSongInformation = 62;

// Every numbered topic the program opens, ascending.
std::vector<int> HelpTopics();

// The help folder for a program in applicationDir: "../share/sonthra/help" of an installed
// program, "../../resources/help" of a program in a build folder inside the source tree, or
// the source tree's pages when SONTHRA_SOURCE_DIR names it. Empty when none holds the pages.
QString FindHelpFolder(const QString& applicationDir);

// The page's file name for a topic: "index.html" for the contents, "topic-N.html" otherwise.
QString HelpPageName(int topic);

// The file:// address of a topic's page in helpFolder; the contents page stands in for a topic
// without a page. Empty when helpFolder holds neither.
QString HelpTopicUrl(const QString& helpFolder, int topic);

// Opens a topic's page in the browser through dialogs, from the folder found beside the
// running program (see ShowHelpPage). Returns false when there are no help pages.
bool ShowHelpTopic(UserDialogs& dialogs, int topic);

// Opens a help page's address in the browser; when no browser can take it, in the program's
// own help window. With no page (an empty url) a notice says the help pages are missing and
// where they were looked for. Returns whether a page is showing.
bool ShowHelpPage(UserDialogs& dialogs, const QString& url);

// The program's help window (one, reused), or null when it has never been opened.
QWidget* HelpWindow();

}  // namespace sonthra
