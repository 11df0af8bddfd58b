#include "effects/effect_codes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace sonthra {

namespace {

constexpr std::array<std::pair<int, int>, 31> kCodeMessages = {{
    {0, 0},      {1, 0},      {2, 129},    {3, 418},    {4, 387},    {6, 419},    {257, 104},
    {258, 388},  {259, 389},  {260, 390},  {261, 391},  {262, 392},  {263, 393},  {264, 394},
    {265, 395},  {266, 396},  {267, 397},  {268, 398},  {269, 477},  {4096, 409}, {4097, 400},
    {4098, 401}, {4099, 402}, {4100, 403}, {4101, 404}, {4102, 405}, {4103, 406}, {4104, 407},
    {4105, 408}, {4106, 410}, {4107, 448},
}};

}  // namespace

int EffectCodeToMessage(int code) {
    const auto found = std::find_if(kCodeMessages.begin(), kCodeMessages.end(),
                                    [code](const auto& entry) { return entry.first == code; });
    return found == kCodeMessages.end() ? 399 : found->second;
}

}  // namespace sonthra
