// The ICU converter library, loaded at run time and never linked. A missing
// library or entry point is a normal state: every forwarding call then fails
// the way ICU reports an internal error, and conversions come out empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"

namespace KVDSOLD {

// ICU's C types, as far as the converter calls need them.
using UChar = char16_t;
using UErrorCode = std::int32_t;  // <= 0 success or warning, > 0 failure
using UBool = std::int8_t;
struct UConverter;

constexpr UErrorCode kUInternalProgramError = 5;  // what a missing library reports

/// One library file to try and the suffix of its versioned entry names
/// ("libicuuc.so.72" with "_72" gives "ucnv_open_72").
struct LibraryCandidate {
  std::string file;
  std::string suffix;
};

/// Immutable after construction, so one instance may serve every thread.
class UCNVLibrary {
 public:
  /// Loads the first candidate that loads and resolves the four entries,
  /// each by its suffixed name, else by its plain name. An entry found under
  /// neither stays null; the library stays loaded either way.
  explicit UCNVLibrary(const std::vector<LibraryCandidate>& candidates = defaultCandidates());
  /// Releases the library.
  virtual ~UCNVLibrary();

  UCNVLibrary(const UCNVLibrary&) = delete;
  UCNVLibrary& operator=(const UCNVLibrary&) = delete;

  /// The process-wide instance with the default candidates, created on the
  /// first call (safely from any thread) and never searched for again. The
  /// object goes when the plug-in is unloaded; ICU stays loaded.
  static UCNVLibrary& instance();

  /// The system's ICU common library, newest first: "libicuuc.so.99" down to
  /// "libicuuc.so.50".
  static std::vector<LibraryCandidate> defaultCandidates();

  /// True when the library and all four entries are present.
  bool isUsable() const;

  // The ICU converter calls; each checks isUsable() first. Without the
  // library, open returns null and the conversions convert nothing, all
  // setting *error to kUInternalProgramError (when given); close does nothing.
  UConverter* open(const char* name, UErrorCode* error) const;
  void close(UConverter* converter) const;
  void toUnicode(UConverter* converter, UChar** target, const UChar* targetLimit,
                 const char** source, const char* sourceLimit, std::int32_t* offsets, UBool flush,
                 UErrorCode* error) const;
  void fromUnicode(UConverter* converter, char** target, const char* targetLimit,
                   const UChar** source, const UChar* sourceLimit, std::int32_t* offsets,
                   UBool flush, UErrorCode* error) const;

 private:
  using OpenFunction = UConverter* (*)(const char*, UErrorCode*);
  using CloseFunction = void (*)(UConverter*);
  using ToUnicodeFunction = void (*)(UConverter*, UChar**, const UChar*, const char**, const char*,
                                     std::int32_t*, UBool, UErrorCode*);
  using FromUnicodeFunction = void (*)(UConverter*, char**, const char*, const UChar**,
                                       const UChar*, std::int32_t*, UBool, UErrorCode*);

  /// As the public constructor; with `keepLoaded` the destructor leaves the
  /// library loaded.
  UCNVLibrary(const std::vector<LibraryCandidate>& candidates, bool keepLoaded);

  void* resolve(const char* name, const std::string& suffix) const;

  Quarn::Platform::DynamicLibrary module_;
  OpenFunction open_ = nullptr;
  CloseFunction close_ = nullptr;
  ToUnicodeFunction toUnicode_ = nullptr;
  FromUnicodeFunction fromUnicode_ = nullptr;
  bool keepLoaded_ = false;
};

}  // namespace KVDSOLD
