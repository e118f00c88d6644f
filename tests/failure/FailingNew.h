// A replacement of the global allocation functions that can make one chosen
// allocation fail and that counts the allocations still alive, so a test can
// walk a call through every allocation failure it can meet and prove that
// each one leaves nothing behind. Linked only into the failure runner.
#pragma once

#include <cstdint>

namespace Quarn::Testing::FailingNew {

/// Makes the k-th allocation from now on fail (k >= 1): the throwing forms
/// throw std::bad_alloc, the nothrow forms return null. Only that one fails.
void arm(std::int64_t k);

/// Stops counting towards the armed failure; true when it was reached.
bool disarm();

/// Allocations minus frees of non-null pointers since the process started.
std::int64_t live();

/// While one exists, allocations on this thread still count as live but are
/// neither counted towards the armed failure nor made to fail: test fixtures
/// (the fake host's call log) are not the code under test.
class Exempt {
 public:
  Exempt();
  ~Exempt();
  Exempt(const Exempt&) = delete;
  Exempt& operator=(const Exempt&) = delete;
};

}  // namespace Quarn::Testing::FailingNew
