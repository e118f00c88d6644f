#include "plugin/SSAContainer.h"

#include <mutex>

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

// The header is installed by open on another thread, so both hand-overs
// take the component's lock.
Result SSAContainer::discardHeader() {
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  formatHeader_.reset();
  return ResultOk;
}

void SSAContainer::installFormatHeader(FormatHeaderPtr header) {
  formatHeader_ = std::move(header);
}

bool SSAContainer::takeHeader(List<MediaBuffer*>& headers) {
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  if (formatHeader_ == nullptr)
    return false;
  // The list's node is made first: if that fails, the header stays ours.
  headers.pushBack(formatHeader_.get());
  formatHeader_.release();
  return true;
}

}  // namespace Quarn
