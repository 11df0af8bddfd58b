// The plug-in result codes turned into the message numbers the user sees.
#pragma once

namespace sonthra {

// 0 and 1 give 0 (nothing to show), 2 gives 129, the table's codes their message, any other 399.
int EffectCodeToMessage(int code);

}  // namespace sonthra
