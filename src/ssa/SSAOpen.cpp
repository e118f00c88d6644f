// Reading a script into a format header and timed entries.
#include "plugin/SSAContainer.h"

namespace Quarn {

// The script scanner is not built yet: no source can be opened.
Result SSAContainer::open(const SourceDescriptor*) {
  return ResultFailed;
}

}  // namespace Quarn
