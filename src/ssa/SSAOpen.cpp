// Opening a script: location to path, the whole file to UTF-8, the parse,
// and the hand-over of the header and the entries to the container.
#include <memory>
#include <mutex>
#include <string_view>

#include "plugin/SSAContainer.h"
#include "ssa/SSAIdentification.h"
#include "ssa/ScriptParser.h"
#include "subtitle/OverlayStream.h"
#include "text/ParserUtilities.h"

namespace Quarn {
namespace {

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

  std::lock_guard<boost::recursive_mutex> guard(lock_);
  sourcePath_.assign(path);
  // The settings come from the host; without one nothing can be read.
  if (host_ == nullptr || sourcePath_.isEmpty() || !hasScriptExtension(sourcePath_.cText()))
    return ResultFailed;

  // The text is read into a block that the entries then keep: their bytes
  // are its lines.
  TextBuffer text;
  if (!ParserUtilities::readTextBuffer(sourcePath_, host_, &text, -1) || text.size == 0)
    return ResultFailed;

  ParsedScript parsed = parseScript(std::move(text), formatHeader_ != nullptr);
  // A header made stays installed whatever became of the entries.
  if (parsed.header != nullptr)
    installFormatHeader(std::move(parsed.header));
  if (!parsed.complete || formatHeader_ == nullptr || parsed.entries.empty())
    return ResultFailed;

  addOverlayStream(std::move(parsed.entries), streamName(location), String<char>(), String<char>());
  return ResultOk;
}

}  // namespace Quarn
