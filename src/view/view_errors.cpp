#include "view/view_errors.h"

namespace sonthra {

int ViewErrorToMessage(ViewCode code) {
    switch (code) {
        case ViewCode::Ok:
        case ViewCode::NothingToDraw:
            return 0;
        case ViewCode::CannotOpen:
            return 103;
        case ViewCode::NotWave:
            return 108;
        case ViewCode::NoFmt:
            return 161;
        case ViewCode::FmtShort:
            return 109;
        case ViewCode::NoData:
            return 111;
        case ViewCode::NoMemory:
            return 104;
        case ViewCode::CannotRead:
            return 165;
        case ViewCode::NoDataChunk:
            return 164;
        case ViewCode::Drawing:
            return 158;
        case ViewCode::Cancelled:
            return 129;
        case ViewCode::NotInitialized:
            return 166;
        case ViewCode::Unsupported:
            return 105;
        case ViewCode::NoFile:
            return 411;
        case ViewCode::NoPeakName:
            return 412;
        case ViewCode::PeakCreate:
            return 413;
        case ViewCode::PeakWrite:
            return 369;
        case ViewCode::FileTimes:
            return 414;
        case ViewCode::PeakOpen:
            return 415;
        case ViewCode::PeakRead:
            return 368;
        case ViewCode::PeakStale:
            return 417;
    }
    return 168;
}

}  // namespace sonthra
