// Result codes of the MP3 converters and the tables that turn them into the product's messages.
// The decoder and the two encoders keep their own codes (400..439 from the converters, 496 and
// 500..509 from our own LAME encoding); the windows and sonthra-cli show them through these
// tables only.
#pragma once

#include <string>

namespace sonthra {

inline constexpr int kConvertOk = 0;
// Codes shared by both directions (text: message code - 80).
inline constexpr int kCvNoCodec = 400;
inline constexpr int kCvNoResources = 402;
inline constexpr int kCvCodecInit = 405;
inline constexpr int kCvBitrateRefused = 406;  // the window then offers another bitrate
inline constexpr int kCvOpenMp3Input = 407;
inline constexpr int kCvCreateOutput = 408;
inline constexpr int kCvCloseOutput = 409;
inline constexpr int kCvWriteOutput = 417;
inline constexpr int kCvCorruptInput = 429;
inline constexpr int kCvAborted = 431;
inline constexpr int kCvNoTempSpace = 432;
inline constexpr int kCvOpenWaveInput = 433;
inline constexpr int kCvNoMp3Codec = 438;
inline constexpr int kCvInvalidMp3 = 439;
// Our own LAME encoding.
inline constexpr int kLameNoSpace = 496;
inline constexpr int kLameNoSource = 500;
inline constexpr int kLameNotWave = 501;
inline constexpr int kLameInitFailed = 502;
inline constexpr int kLameNotLoaded = 503;
inline constexpr int kLameNoMemory = 504;
inline constexpr int kLameReadFailed = 505;
inline constexpr int kLameEncodeFailed = 506;
inline constexpr int kLameAborted = 507;
inline constexpr int kLameWriteFailed = 508;
// The destination cannot be created (the product showed this text and then reported success).
inline constexpr int kLameCannotCreate = 509;

// The message numbers of the MP3 to WAV window for a decoder code: 400..430 give code - 80,
// 431 gives 242, 432 gives 352, 439 gives 360, any other non-zero code 364. 0 stays 0.
int mp3ImportMessage(int code);

// The text the MP3 export window shows for an encoder code, or empty when the code shows
// nothing (0, 406 which the window words itself, codes not in the table).
std::string mp3ExportText(int code);

// Message 233 with the bitrate in kbit/s written in front of "kbit".
std::string bitrateRefusedText(int kbps);

// The text of a decoder code as the MP3 to WAV window shows it (empty for 0).
std::string mp3ImportText(int code);

}  // namespace sonthra
