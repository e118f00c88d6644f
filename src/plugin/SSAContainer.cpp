#include "plugin/SSAContainer.h"

#include "plugin/Identifiers.h"
#include "subtitle/SubtitleParserTemplateImpl.h"

namespace Quarn {

template class SubtitleParserTemplate<SSAContainer>;

SSAContainer::SSAContainer(PluginHost* host) : Plugin(host), mediaTypes_(buildMediaTypeTable()) {}

SSAContainer::~SSAContainer() = default;

Result SSAContainer::queryInterface(const String<char>& id, void** out) {
  if (out == nullptr)
    return ResultFailed;
  *out = nullptr;
  if (!id.equals(Identifiers::ContainerInterface.cText()))
    return ResultNoInterface;
  *out = static_cast<ContainerInterface*>(this);
  return ResultOk;
}

Result SSAContainer::discardHeader() {
  formatHeader_.reset();
  return ResultOk;
}

void SSAContainer::installFormatHeader(FormatHeaderPtr header) {
  formatHeader_ = std::move(header);
}

bool SSAContainer::takeHeader(List<MediaBuffer*>& headers) {
  if (formatHeader_ == nullptr)
    return false;
  // The list's node is made first: if that fails, the header stays ours.
  headers.pushBack(formatHeader_.get());
  formatHeader_.release();
  return true;
}

}  // namespace Quarn
