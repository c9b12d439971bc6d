#pragma once

#include <ctime>
#include <string>

namespace tarvex::platform {

// A time in a strftime() format ("%Y/%m/%d %H:%M:%S"), as local time or as
// UTC.
std::string format_local_time(std::time_t time, const char* format);
std::string format_utc_time(std::time_t time, const char* format);

// The current local time in a strftime() format.
std::string local_now_text(const char* format);

}  // namespace tarvex::platform
