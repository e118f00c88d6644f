#include "ResultText.h"

#include <cinttypes>
#include <cstdio>

namespace QuarnHost {

std::string formatMediaTime(std::uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%" PRIu32 ":%02" PRIu32 ":%02" PRIu32 ".%03" PRIu32,
                ms / 3600000u, ms / 60000u % 60u, ms / 1000u % 60u, ms % 1000u);
  return text;
}

std::string_view payloadText(const unsigned char* data, std::uint32_t length,
                             std::uint32_t capacity) {
  if (data == nullptr)
    return {};
  std::uint32_t size = length < capacity ? length : capacity;
  if (size > 0 && data[size - 1] == 0)
    --size;
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

const char* openResultName(Quarn::Result result) {
  switch (result) {
    case Quarn::ResultOk:
    case Quarn::ResultFailed:
    case Quarn::ResultBadLocation:
      return Quarn::resultName(result);
    default:
      return "unknown";
  }
}

std::string describeResult(Quarn::Result result) {
  return std::string(Quarn::resultName(result)) + " (" + formatResultCode(result) + ")";
}

std::string formatResultCode(Quarn::Result result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, static_cast<std::uint32_t>(result));
  return text;
}

}  // namespace QuarnHost
