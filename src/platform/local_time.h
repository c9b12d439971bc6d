#pragma once

#include <string>

namespace tarvex::platform {

// The current local time in a strftime() format ("%Y/%m/%d %H:%M:%S").
std::string local_now_text(const char* format);

}  // namespace tarvex::platform
