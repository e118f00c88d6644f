// Opening a script: location to path, the whole file to UTF-8, the scan,
// and the hand-over of the entries to the container component.
#include <mutex>
#include <string_view>

#include "plugin/SSAContainer.h"
#include "ssa/ScriptScanner.h"
#include "subtitle/OverlayStream.h"
#include "text/ParserUtilities.h"

namespace Quarn {
namespace {

// The extension is everything from the last "." on; exact and case-sensitive.
bool hasScriptExtension(const String<unsigned char>& path) {
  const std::int64_t dot = path.findLast(".");
  if (dot < 0)
    return false;
  const std::string_view extension(path.cText() + dot, path.length() - dot);
  return extension == ".ssa" || extension == ".ass";
}

// The stream's name: what follows the last "/" of the location as given.
String<unsigned char> streamName(const String<unsigned char>& location) {
  const std::int64_t slash = location.findLast("/");
  if (slash < 0)
    return String<unsigned char>();
  const std::string text = location.toStdString();
  return String<unsigned char>(text.c_str() + slash + 1,
                               static_cast<std::uint32_t>(text.size() - slash - 1));
}

}  // namespace

Result SSAContainer::open(const SourceDescriptor* source) {
  if (source == nullptr || source->location == nullptr)
    return ResultBadLocation;
  const String<unsigned char>& location = *source->location;
  String<unsigned char> path;
  if (urlToPath(location, path) != ResultOk)
    return ResultBadLocation;
  sourcePath_.assign(path);
  // The settings come from the host; without one nothing can be read.
  if (host_ == nullptr)
    return ResultFailed;

  std::lock_guard<boost::recursive_mutex> guard(lock_);
  if (sourcePath_.isEmpty() || !hasScriptExtension(sourcePath_))
    return ResultFailed;

  String<unsigned char> text;
  if (!ParserUtilities::readTextFile(sourcePath_, host_, &text, -1) || text.isEmpty())
    return ResultFailed;

  ScriptScanner scanner(
      *this, std::string_view(reinterpret_cast<const char*>(text.data()), text.length()));
  const bool scanned = scanner.scan();
  if (!scanned || formatHeader_ == nullptr || scanner.entryCount() == 0)
    return ResultFailed;

  addOverlayStream(scanner.takeEntries(), streamName(location), String<char>(), String<char>());
  return ResultOk;
}

}  // namespace Quarn
