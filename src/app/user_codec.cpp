#include "app/user_codec.h"

namespace tarvex::app {

namespace {
std::string shift(const std::string& text, int direction) {
  const int n = static_cast<int>(text.size() % 256);
  std::string out = text;
  for (char& c : out)
    c = static_cast<char>((static_cast<unsigned char>(c) + direction * (n + 1)) & 0xFF);
  return out;
}
}  // namespace

std::string UserEncode(const std::string& text) {
  return shift(text, +1);
}
std::string UserDecode(const std::string& text) {
  return shift(text, -1);
}

bool encodes_to_one_line(const std::string& text) {
  return UserEncode(text).find_first_of("\r\n") == std::string::npos;
}

}  // namespace tarvex::app
