// Text that was not in the encoding it was read in. The plug-in decodes as
// it is told and replaces what it cannot decode; a host that shows the
// result counts the replacement characters its user sees and says where
// they came from, instead of showing garbled text without a word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Diagnosis.h"

namespace QuarnHost {

/// Counts what a viewer of handed-out text shows as U+FFFD: every
/// ill-formed piece of UTF-8 (one per maximal subpart) and every U+FFFD.
class ReplacementCount {
 public:
  void add(std::string_view bytes);
  std::uint64_t count() const { return count_; }

 private:
  std::uint64_t count_ = 0;
};

/// The warning, without a program name, when `shown` replacement characters
/// were seen in the text handed out from `file` read with `settings` and the
/// file's own text holds fewer: "57 characters of x.ass could not be read as
/// UTF-8 and were replaced; the text looks like windows-1251: try --codepage
/// windows-1251". Empty when there is nothing to warn of.
std::string replacementWarning(const SourceFile& file, const CodePageSettings& settings,
                               const SettingNames& names, std::uint64_t shown);

}  // namespace QuarnHost
