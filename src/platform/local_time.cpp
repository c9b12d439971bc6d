#include "platform/local_time.h"

#include <ctime>

namespace tarvex::platform {

std::string local_now_text(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, format, &tm);
  return std::string(text, length);
}

}  // namespace tarvex::platform
