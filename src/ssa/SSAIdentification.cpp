// Which sources and media types the SSA/ASS container serves.
#include <iterator>

#include "plugin/SSAContainer.h"

namespace Quarn {

SSAContainer::MediaTypeTable SSAContainer::buildMediaTypeTable() {
  MediaTypeTable table;
  table.emplace(String<unsigned char>("text/x-ssa"), 1);
  table.emplace(String<unsigned char>("text/x-ass"), 1);
  return table;
}

// Identification by extension arrives with the script reader; until then no
// source is taken.
bool SSAContainer::probe(const SourceDescriptor*, std::int32_t, std::int32_t,
                         std::vector<FormatDescriptor>*) {
  return false;
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
