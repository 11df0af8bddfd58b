// The help pages: one HTML page per help topic number in a help folder, opened in the user's
// browser. Call only from the GUI thread.
#pragma once

#include <QString>

#include <vector>

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
// running program. Returns false, opening nothing, when there are no help pages.
bool ShowHelpTopic(UserDialogs& dialogs, int topic);

}  // namespace sonthra
