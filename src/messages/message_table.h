// The numbered message table: every text the program shows for an error, warning or question,
// looked up by its number, and the tables that turn engine and mixer error numbers into
// message numbers. Plain data; callable from any thread.
#pragma once

#include <string>
#include <vector>

namespace sonthra {

// Results everywhere: 0 success, 129 cancelled by the user, anything else a message number.
inline constexpr int kSuccess = 0;
inline constexpr int kCancelled = 129;
// The message every failure to get memory, a thread or another system resource shows.
inline constexpr int kNoMemory = 104;

// The product caption shown in every title and message box.
inline constexpr const char* kProductCaption = "Sonthra";

// The text of a message number exactly as the product shows it, with "\n" as a line break, or
// nullptr when the number has no text (such a message shows nothing).
const char* MessageText(int number);

// The text with its "%s" placeholders filled from args in order; a placeholder without an
// argument stays empty. Empty when the number has no text.
std::string FormatMessage(int number, const std::vector<std::string>& args = {});

// Engine error number to message number: 0 stays 0, numbers not in the table become 100.
int EngineErrorToMessage(int engineError);

// Mixer error number to message number: 0 stays 0, 101 gives 104, 102..114 give 372..384,
// 115 gives 435, 116 gives 436, anything else 385.
int MixerErrorToMessage(int mixerError);

// Every number that has a text, ascending.
std::vector<int> MessageNumbers();

}  // namespace sonthra
