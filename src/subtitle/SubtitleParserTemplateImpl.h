// Definitions of SubtitleParserTemplate; included only where the template is
// instantiated.
#pragma once

#include <new>

#include "subtitle/SubtitleParserTemplate.h"
#include "text/File.h"
#include "text/Utf.h"

namespace Quarn {

template <class C>
SubtitleParserTemplate<C>::SubtitleParserTemplate()
    : bufferAllocator_(new (std::nothrow) MediaBufferAllocator()) {
  if (bufferAllocator_)
    bufferAllocator_->setParameter(8);
}

// Members go in reverse order: allocator, language, stream table (the streams
// belong to the host), lock, source path.
template <class C>
SubtitleParserTemplate<C>::~SubtitleParserTemplate() = default;

template <class C>
String<unsigned char> SubtitleParserTemplate<C>::getSourcePath() {
  return String<unsigned char>(sourcePath_);
}

template <class C>
List<unsigned long long> SubtitleParserTemplate<C>::getProgramIds() {
  if (programId_ == ~std::uint64_t{0} && host_ != nullptr)
    programId_ = host_->newId();
  List<unsigned long long> ids;
  ids.pushBack(programId_);
  return ids;
}

template <class C>
String<unsigned char> SubtitleParserTemplate<C>::getProgramName(std::uint64_t) {
  return String<unsigned char>();
}

// Streams are not built yet: nothing can be offered or closed.
template <class C>
Result SubtitleParserTemplate<C>::selectProgram(std::uint64_t) {
  return ResultFailed;
}

template <class C>
Result SubtitleParserTemplate<C>::closeStreams(bool) {
  return ResultFailed;
}

// A size that cannot be read is a failure, never a length.
template <class C>
Result SubtitleParserTemplate<C>::getSourceSize(std::uint64_t* size) {
  if (size == nullptr || sourcePath_.isEmpty())
    return ResultFailed;
  File file;
  if (file.open(utf8ToWide(sourcePath_.data(), sourcePath_.length()), 0) != File::Opened)
    return ResultFailed;
  const std::int64_t length = file.size();
  if (length < 0)
    return ResultFailed;
  *size = static_cast<std::uint64_t>(length);
  return ResultOk;
}

}  // namespace Quarn
