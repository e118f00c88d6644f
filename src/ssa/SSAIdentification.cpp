// Which sources and media types the SSA/ASS container serves.
#include "ssa/SSAIdentification.h"

#include <cstring>
#include <iterator>

#include "plugin/SSAContainer.h"

namespace Quarn {

SSAContainer::MediaTypeTable SSAContainer::buildMediaTypeTable() {
  MediaTypeTable table;
  table.emplace(String<unsigned char>("text/x-ssa"), 1);
  table.emplace(String<unsigned char>("text/x-ass"), 1);
  return table;
}

// Judged by the location's extension alone, then by the host's consent; the
// content is first looked at by open.
bool SSAContainer::probe(const SourceDescriptor* source, std::int32_t, std::int32_t,
                         std::vector<FormatDescriptor>* formats) {
  if (source == nullptr || source->location == nullptr)
    return false;
  // The location's text ends at its first zero byte, as every text does.
  if (!hasScriptExtension(source->location->cText()))
    return false;

  PluginHost* host = getHost();
  const bool verdict = host != nullptr && host->isFormatSupported(String<char>("SSA"));
  if (!verdict && formats != nullptr) {
    FormatDescriptor required;
    std::memcpy(required.tag, "SSA\0\0", 5);
    required.formatCode = 20;
    required.kind = 4;
    required.variant = 0;
    formats->push_back(required);
  }
  return verdict;
}

void SSAContainer::reservedA(std::int32_t) {}

Result SSAContainer::reservedB(std::int32_t) {
  return ResultFailed;
}

std::int32_t SSAContainer::findMediaType(const String<unsigned char>& mediaType) {
  const auto it = mediaTypes_.find(mediaType);
  return it == mediaTypes_.end() ? -1 : it->second;
}

std::uint32_t SSAContainer::getMediaTypeCount() {
  return static_cast<std::uint32_t>(mediaTypes_.size());
}

String<unsigned char> SSAContainer::getMediaTypeName(std::uint32_t index) {
  if (index >= mediaTypes_.size())
    return String<unsigned char>();
  return String<unsigned char>(std::next(mediaTypes_.begin(), index)->first);
}

std::int32_t SSAContainer::getMediaTypeValue(std::uint32_t index) {
  if (index >= mediaTypes_.size())
    return 0;
  return std::next(mediaTypes_.begin(), index)->second;
}

FormatTag SSAContainer::getFormatTag() {
  return FormatTag{{'S', 'S', 'A', 0, 0}};
}

}  // namespace Quarn
