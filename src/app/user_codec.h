#pragma once

#include <string>

namespace tarvex::app {

// The length-keyed byte shift that scrambles every line of user.dat and of the
// event log: each byte moves by the text's length + 1, modulo 256.
std::string UserEncode(const std::string& text);
std::string UserDecode(const std::string& text);

// Whether the encoded form of text is free of CR and LF bytes, so that it can
// stand on a line of its own and read back as written.
bool encodes_to_one_line(const std::string& text);

}  // namespace tarvex::app
