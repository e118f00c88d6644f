// The recursive lock that lives in a LockSpace: built with the object that
// holds the space, destroyed with it, and reached by the module's code only.
#pragma once

#include <boost/thread/recursive_mutex.hpp>
#include <new>

#include "LockSpace.h"

namespace Quarn {

// Same size as the room, so that objects keep the layout they had when the
// lock was a plain member.
static_assert(sizeof(boost::recursive_mutex) == sizeof(LockSpace) &&
                  alignof(boost::recursive_mutex) <= alignof(LockSpace),
              "the recursive lock fills its room exactly");

inline void buildLock(LockSpace& space) {
  new (space.bytes) boost::recursive_mutex;
}

inline boost::recursive_mutex& lockIn(LockSpace& space) {
  return *std::launder(reinterpret_cast<boost::recursive_mutex*>(space.bytes));
}

inline void destroyLock(LockSpace& space) {
  lockIn(space).~recursive_mutex();
}

}  // namespace Quarn
