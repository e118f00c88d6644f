// Room inside an interface object for a recursive lock that only the
// module's own code takes. A host compiles against the interfaces without the
// headers of the threading library behind the lock: framework/RecursiveLock.h,
// which only the module includes, builds the lock in this room and reaches it.
#pragma once

#include <pthread.h>

namespace Quarn {

struct LockSpace {
  alignas(pthread_mutex_t) unsigned char bytes[sizeof(pthread_mutex_t)];
};

}  // namespace Quarn
