#include "convert/convert_codes.h"

#include "messages/message_table.h"

namespace sonthra {
namespace {

constexpr int kAbortedMessage = 242;
constexpr int kTempSpaceMessage = 352;
constexpr int kIncompleteMessage = 360;
constexpr int kInvalidMp3Message = 362;
constexpr int kUnknownDecoderMessage = 364;
constexpr int kNoResourcesMessage = 235;
constexpr int kBitrateMessage = 233;

std::string textOf(int message) {
    const char* text = MessageText(message);
    return text ? text : std::string();
}

}  // namespace

int mp3ImportMessage(int code) {
    if (code == kConvertOk) return 0;
    if (code == 241) return 241;  // the converter failed by an exception
    if (code >= 400 && code <= 430) return code - 80;
    if (code == kCvAborted) return kAbortedMessage;
    if (code == kCvNoTempSpace) return kTempSpaceMessage;
    if (code == kCvInvalidMp3) return kIncompleteMessage;
    return kUnknownDecoderMessage;
}

std::string mp3ImportText(int code) {
    return code == 0 ? std::string() : textOf(mp3ImportMessage(code));
}

std::string mp3ExportText(int code) {
    switch (code) {
        case kCvBitrateRefused:
            return {};
        case kCvAborted:
        case kLameAborted:
            return textOf(kAbortedMessage);
        case kCvInvalidMp3:
            return textOf(kInvalidMp3Message);
        case kLameNoSpace:
            return textOf(496);
        case kLameNoSource:
            return "Error: Could not read input file. If the problem persists, please contact "
                   "Corvanta Support.";
        case kLameNotWave:
            return "Error : Not a valid wave file. Please choose a valid wave file.";
        case kLameInitFailed:
            return "Error: Could not run the encoder. If the problem persists, please contact "
                   "Corvanta Support.";
        case kLameNotLoaded:
            return "Cannot load LAME encoder.";
        case kLameNoMemory:
            return textOf(kNoResourcesMessage);
        case kLameReadFailed:
            return "Error: Could not read encoder input. If the problem persists, please contact "
                   "Corvanta Support.";
        case kLameEncodeFailed:
            return "Error: Could not complete the Conversion process.";
        case kLameWriteFailed:
            return textOf(kCvWriteOutput - 80);
        case kLameCannotCreate:
            return "File is already open in some other application!";
        case 231:  // the system encoder failed by an exception
            return textOf(231);
        default:
            break;
    }
    if ((code >= 400 && code <= 430) || (code >= 432 && code <= 435)) return textOf(code - 80);
    return {};
}

std::string bitrateRefusedText(int kbps) {
    std::string text = textOf(kBitrateMessage);
    const auto at = text.find("kbit");
    if (at != std::string::npos) text.insert(at, std::to_string(kbps));
    return text;
}

}  // namespace sonthra
