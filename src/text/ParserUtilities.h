// Reading a subtitle source: location to path, and a whole file to UTF-8
// text with its encoding decided from the host's settings and the file's
// byte-order mark.
#pragma once

#include <cstdint>

#include "framework/HostInterfaces.h"
#include "framework/Result.h"
#include "framework/String.h"
#include "text/TextBuffer.h"
#include "text/UCNVLibrary.h"

namespace Quarn {

class ParserUtilities {
 public:
  /// Reads `size` bytes from the start of the file at `path` (UTF-8), or the
  /// whole file when `size` is -1, and stores the text as UTF-8 in *out.
  ///
  /// The encoding: when the host answers "OverrideEmbedded" (section
  /// "CodePage") with a boolean false, a byte-order mark names it and is
  /// skipped; otherwise, or when there is no mark, a text answer to "Name"
  /// names it; with no name the bytes pass through unchanged. Converted text
  /// ends at its first zero character. The text is accepted only if it starts
  /// with a complete, well-formed UTF-8 character; later bytes are not
  /// checked.
  ///
  /// `host` may be null (no settings). Returns true when *out was replaced;
  /// false leaves it as it was. Every refusal logs one line saying what was
  /// refused and why (category "Utilities").
  ///
  /// `converters` is the converter library to use; null stands for the
  /// process-wide one, which is then loaded only if the text needs it.
  static bool readTextFile(const String<unsigned char>& path, ContainerHost* host,
                           String<unsigned char>* out, std::int32_t size,
                           const KVDSOLD::UCNVLibrary* converters = nullptr);
  /// As above, handing over the text in the block it was read or converted
  /// into, without a copy.
  static bool readTextBuffer(const String<unsigned char>& path, ContainerHost* host,
                             TextBuffer* out, std::int32_t size,
                             const KVDSOLD::UCNVLibrary* converters = nullptr);
};

/// Replaces `path` with the local path (UTF-8) that the file URL `location`
/// (UTF-8) names. ResultBadLocation, with `path` untouched, when the location
/// is not valid UTF-8 or not a local file URL.
Result urlToPath(const String<unsigned char>& location, String<unsigned char>& path);

}  // namespace Quarn
