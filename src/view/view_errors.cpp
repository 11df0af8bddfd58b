#include "view/view_errors.h"

namespace sonthra {

int ViewErrorToMessage(int code) {
    switch (code) {
        case 0:
        case 112:
            return 0;
        case 101:
            return 103;
        case 102:
            return 108;
        case 103:
            return 161;
        case 104:
            return 109;
        case 105:
            return 111;
        case 106:
            return 104;
        case 107:
            return 165;
        case 108:
            return 164;
        case 109:
            return 158;
        case 110:
            return 129;
        case 111:
            return 166;
        case 113:
            return 105;
        case 114:
            return 411;
        case 115:
            return 412;
        case 116:
            return 413;
        case 117:
            return 369;
        case 118:
            return 414;
        case 119:
            return 415;
        case 120:
            return 368;
        case 121:
            return 417;
        default:
            return 168;
    }
}

}  // namespace sonthra
