#include "platform/local_time.h"

namespace tarvex::platform {

namespace {

std::string formatted(const std::tm& tm, const char* format) {
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, format, &tm);
  return std::string(text, length);
}

}  // namespace

std::string format_local_time(std::time_t time, const char* format) {
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &time);
#else
  localtime_r(&time, &tm);
#endif
  return formatted(tm, format);
}

std::string format_utc_time(std::time_t time, const char* format) {
  std::tm tm{};
#ifdef _WIN32
  gmtime_s(&tm, &time);
#else
  gmtime_r(&time, &tm);
#endif
  return formatted(tm, format);
}

std::string local_now_text(const char* format) {
  return format_local_time(std::time(nullptr), format);
}

}  // namespace tarvex::platform
