// Definitions of SubtitleParserTemplate; included only where the template is
// instantiated.
#pragma once

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <string>

#include "subtitle/LanguageCodes.h"
#include "subtitle/OverlayStream.h"
#include "subtitle/OverlayStreamImpl.h"
#include "subtitle/SubtitleParserTemplate.h"
#include "text/File.h"
#include "text/Utf.h"

namespace Quarn {

// The buffer allocator is made with a throwing new: a component without it
// could not serve a host that asks for it, so it is better not built at all.
template <class C>
SubtitleParserTemplate<C>::SubtitleParserTemplate()
    : bufferAllocator_(std::make_unique<MediaBufferAllocator>()),
      handOut_(HandOutAllocator::instance()) {
  bufferAllocator_->setParameter(8);
}

// A host that skipped closeStreams would otherwise keep the entries alive in
// the streams it holds, and lose the streams it was never shown.
template <class C>
SubtitleParserTemplate<C>::~SubtitleParserTemplate() {
  for (auto& [id, row] : streams_)
    row->releaseEntries();
  streams_.clear();
}

template <class C>
String<unsigned char> SubtitleParserTemplate<C>::getSourcePath() {
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  return String<unsigned char>(sourcePath_);
}

template <class C>
List<unsigned long long> SubtitleParserTemplate<C>::getProgramIds() {
  List<unsigned long long> ids;
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  // Drawn once, under the lock: two first calls must not draw two ids.
  if (programId_ == ~std::uint64_t{0} && host_ != nullptr)
    programId_ = host_->newId();
  ids.pushBack(programId_);
  return ids;
}

template <class C>
String<unsigned char> SubtitleParserTemplate<C>::getProgramName(std::uint64_t) {
  return String<unsigned char>();
}

template <class C>
Result SubtitleParserTemplate<C>::selectProgram(std::uint64_t programId) {
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  // Without a host there is nobody to offer the streams to.
  if (programId != programId_ || host_ == nullptr)
    return ResultFailed;

  preferredLanguage_.assign(host_->getPreferredLanguage());
  for (auto& [id, row] : streams_)
    host_->streamAdded(row.offer());
  if (streams_.empty())
    return ResultOk;

  std::uint64_t chosen = 0;
  if (!preferredLanguage_.isEmpty() && streams_.size() > 1) {
    // "zh-Hant-TW" is the tag "zh" with the region "Hant-TW".
    const std::string preferred = preferredLanguage_.toStdString();
    const std::size_t dash = preferred.find('-');
    const std::string primary = preferred.substr(0, dash);
    const std::string region =
        dash == std::string::npos ? std::string() : preferred.substr(dash + 1);
    const char* alternative = languagePartner(primary.c_str());

    // The last stream matching language and region wins; failing that, the
    // first matching the language. An id of 0 counts as none chosen.
    for (const auto& [id, row] : streams_) {
      if (!row->language().equals(primary.c_str()) && !row->language().equals(alternative))
        continue;
      if (!region.empty() && row->region().equals(region.c_str()))
        chosen = id;
      if (chosen == 0)
        chosen = id;
    }
  }
  if (chosen == 0)
    chosen = streams_.begin()->first;
  host_->selectStream(chosen, 1);
  return ResultOk;
}

template <class C>
Result SubtitleParserTemplate<C>::closeStreams(bool keep) {
  if (keep)
    return ResultOk;
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  for (auto& [id, row] : streams_) {
    row->releaseEntries();
    if (host_ != nullptr)
      host_->streamRemoved(id);
  }
  // Streams never offered go with their rows; the host destroys the others.
  streams_.clear();
  return ResultOk;
}

template <class C>
typename SubtitleParserTemplate<C>::OverlayStream* SubtitleParserTemplate<C>::addOverlayStream(
    EntryTable entries, const String<unsigned char>& name, const String<char>& language,
    const String<char>& region) {
  std::lock_guard<boost::recursive_mutex> guard(lock_);
  // Without a host no stream id can be drawn; the entries go back to their
  // allocator with the table. Read positions are 32-bit, which bounds it.
  if (host_ == nullptr || entries.size() >= static_cast<std::size_t>(INT32_MAX))
    return nullptr;
  sortByStart(entries);
  const std::uint64_t streamId = host_->newId();
  // From here the entries are always owned by something that frees them: the
  // stream once built, and its row once registered.
  auto stream =
      std::make_unique<OverlayStream>(*this, streamId, std::move(entries), name, language, region);
  OverlayStream* added = stream.get();
  const auto found = streams_.find(added->streamId());
  if (found == streams_.end()) {
    streams_.emplace(added->streamId(), StreamRow(std::move(stream)));
  } else {
    // The table forgets a stream replaced under the same id, so it can no
    // longer release its entries later; a stream the host never saw goes too.
    found->second->releaseEntries();
    found->second = StreamRow(std::move(stream));
  }
  return added;
}

// The same introsort on the same comparison of the same keys as ever: the
// order it makes, ties included, depends on nothing else.
template <class C>
void SubtitleParserTemplate<C>::sortByStart(EntryTable& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const EntryRecord& a, const EntryRecord& b) { return a.start < b.start; });
}

// A size that cannot be read is a failure, never a length.
template <class C>
Result SubtitleParserTemplate<C>::getSourceSize(std::uint64_t* size) {
  if (size == nullptr)
    return ResultFailed;
  const String<unsigned char> path = getSourcePath();
  if (path.isEmpty())
    return ResultFailed;
  File file;
  if (file.open(utf8ToWide(path.data(), path.length()), 0) != File::Opened)
    return ResultFailed;
  const std::int64_t length = file.size();
  if (length < 0)
    return ResultFailed;
  *size = static_cast<std::uint64_t>(length);
  return ResultOk;
}

}  // namespace Quarn
