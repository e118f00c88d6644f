#include "ContainerInterface.h"

namespace Quarn {

void ContainerInterface::setHost(ContainerHost* host, std::uint64_t containerId) {
  host_ = host;
  containerId_ = containerId;
  reservedWord_ = 0;
}

std::uint64_t ContainerInterface::getContainerId() {
  return containerId_;
}

Result ContainerInterface::getCounters(std::uint32_t& first, std::uint32_t& second) {
  first = 0;
  second = 0;
  return ResultOk;
}

}  // namespace Quarn
