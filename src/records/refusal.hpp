// Input the program refuses on its own account: a message on standard error
// and exit status 1, before any output file is opened or touched.
#pragma once

namespace zeplo::rec {

[[noreturn, gnu::format(printf, 1, 2)]] void refuse(const char* format, ...);

}  // namespace zeplo::rec
