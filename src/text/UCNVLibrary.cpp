#include "text/UCNVLibrary.h"

namespace KVDSOLD {

UCNVLibrary::UCNVLibrary(const std::vector<LibraryCandidate>& candidates, bool keepLoaded)
    : UCNVLibrary(candidates) {
  keepLoaded_ = keepLoaded;
}

UCNVLibrary::UCNVLibrary(const std::vector<LibraryCandidate>& candidates) {
  for (const LibraryCandidate& candidate : candidates) {
    module_ = Quarn::Platform::DynamicLibrary::load(candidate.file.c_str());
    if (!module_.isValid())
      continue;
    open_ = reinterpret_cast<OpenFunction>(resolve("ucnv_open", candidate.suffix));
    close_ = reinterpret_cast<CloseFunction>(resolve("ucnv_close", candidate.suffix));
    toUnicode_ = reinterpret_cast<ToUnicodeFunction>(resolve("ucnv_toUnicode", candidate.suffix));
    fromUnicode_ =
        reinterpret_cast<FromUnicodeFunction>(resolve("ucnv_fromUnicode", candidate.suffix));
    return;
  }
}

UCNVLibrary::~UCNVLibrary() {
  open_ = nullptr;
  close_ = nullptr;
  toUnicode_ = nullptr;
  fromUnicode_ = nullptr;
  if (keepLoaded_)
    module_.keepLoaded();
  module_.close();
}

UCNVLibrary& UCNVLibrary::instance() {
  // Created once, thread-safely, and destroyed when the plug-in is unloaded,
  // but ICU itself stays loaded: it keeps converter data cached in its own
  // globals, and unloading it would leave those blocks orphaned.
  static UCNVLibrary library(defaultCandidates(), true);
  return library;
}

std::vector<LibraryCandidate> UCNVLibrary::defaultCandidates() {
  std::vector<LibraryCandidate> candidates;
  candidates.reserve(50);
  for (int version = 99; version >= 50; --version) {
    const std::string number = std::to_string(version);
    candidates.push_back({"libicuuc.so." + number, "_" + number});
  }
  return candidates;
}

void* UCNVLibrary::resolve(const char* name, const std::string& suffix) const {
  void* entry = nullptr;
  if (!suffix.empty())
    entry = module_.getSymbol((name + suffix).c_str());
  if (entry == nullptr)
    entry = module_.getSymbol(name);
  return entry;
}

bool UCNVLibrary::isUsable() const {
  return module_.isValid() && open_ != nullptr && close_ != nullptr && toUnicode_ != nullptr &&
         fromUnicode_ != nullptr;
}

UConverter* UCNVLibrary::open(const char* name, UErrorCode* error) const {
  if (!isUsable()) {
    if (error != nullptr)
      *error = kUInternalProgramError;
    return nullptr;
  }
  return open_(name, error);
}

void UCNVLibrary::close(UConverter* converter) const {
  if (isUsable())
    close_(converter);
}

void UCNVLibrary::toUnicode(UConverter* converter, UChar** target, const UChar* targetLimit,
                            const char** source, const char* sourceLimit, std::int32_t* offsets,
                            UBool flush, UErrorCode* error) const {
  if (!isUsable()) {
    if (error != nullptr)
      *error = kUInternalProgramError;
    return;
  }
  toUnicode_(converter, target, targetLimit, source, sourceLimit, offsets, flush, error);
}

void UCNVLibrary::fromUnicode(UConverter* converter, char** target, const char* targetLimit,
                              const UChar** source, const UChar* sourceLimit, std::int32_t* offsets,
                              UBool flush, UErrorCode* error) const {
  if (!isUsable()) {
    if (error != nullptr)
      *error = kUInternalProgramError;
    return;
  }
  fromUnicode_(converter, target, targetLimit, source, sourceLimit, offsets, flush, error);
}

}  // namespace KVDSOLD
