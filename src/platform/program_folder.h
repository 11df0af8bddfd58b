// The folder of the running program, where the libraries loaded by name (the encoder, the WMA
// libraries, the effect plug-ins) lie beside it.
#pragma once

#include <string>

namespace sonthra {

// The folder of the executable, without a trailing slash; "." when it cannot be found.
std::string programFolder();

}  // namespace sonthra
