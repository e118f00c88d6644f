#include "plugin/SSAContainer.h"

#include "plugin/Identifiers.h"
#include "subtitle/SubtitleParserTemplateImpl.h"

namespace Quarn {

template class SubtitleParserTemplate<SSAContainer>;

SSAContainer::SSAContainer(PluginHost* host) : Plugin(host), mediaTypes_(buildMediaTypeTable()) {}

SSAContainer::~SSAContainer() {
  discardHeader();
}

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
  if (formatHeader_ == nullptr)
    return ResultOk;
  delete[] formatHeader_->lockData();
  formatHeader_->unlockData();
  delete formatHeader_;
  formatHeader_ = nullptr;
  return ResultOk;
}

void SSAContainer::installFormatHeader(TypedMediaBuffer* header) {
  if (header == formatHeader_)
    return;
  discardHeader();
  formatHeader_ = header;
}

bool SSAContainer::takeHeader(List<MediaBuffer*>& headers) {
  if (formatHeader_ == nullptr)
    return false;
  headers.pushBack(formatHeader_);
  formatHeader_ = nullptr;
  return true;
}

}  // namespace Quarn
