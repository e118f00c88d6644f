#include "JsonText.h"

#include <cstdint>
#include <cstdio>

#include <rules/Utf8.h>

namespace QuarnHost {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string toWellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = at + bytes.size();
  while (at < end) {
    const Quarn::Utf8Step step = Quarn::nextUtf8(at, end);
    if (step.wellFormed)
      out.append(reinterpret_cast<const char*>(at), step.length);
    else
      out += kReplacement;
    at += step.length;
  }
  return out;
}

std::string jsonString(std::string_view bytes) {
  const std::string text = toWellFormedUtf8(bytes);
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace QuarnHost
