// An owning handle for a media chunk: whoever holds it owns the chunk, and
// dropping it hands the chunk back to the allocator that made it.
#pragma once

#include <memory>

#include "MediaBuffer.h"

namespace Quarn {

/// Gives a chunk back through its own release(), which returns it and its
/// block to the allocator that created it.
struct ChunkRelease {
  void operator()(MediaChunk* chunk) const noexcept { chunk->release(); }
};

/// Move-only owner of one chunk. The allocator must outlive the handle.
/// Where an interface passes a raw chunk pointer, ownership moves with
/// release() (handing out) or by wrapping the pointer received.
using ChunkPtr = std::unique_ptr<MediaChunk, ChunkRelease>;

}  // namespace Quarn
