// SHA-256 of a file's bytes, as hex: run.json names its inputs by it, and a
// batch knows by it whether a finished run had the same inputs.
#pragma once

#include <string>
#include <string_view>

namespace zeplo {

std::string sha256_hex(std::string_view data);

}  // namespace zeplo
