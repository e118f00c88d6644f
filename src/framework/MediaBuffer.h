// Payload buffers exchanged with the host: a byte block guarded by a
// recursive lock, optionally typed by a format descriptor or timed as a chunk
// of a stream.
#pragma once

#include <cstdint>

#include "LockSpace.h"
#include "Properties.h"
#include "String.h"

namespace Quarn {

class MediaBufferAllocator;

/// A block of bytes and the recursive lock that guards reads of it.
///
/// The block attached with setData() is not owned by the buffer object: it is
/// freed by MediaBufferAllocator::releaseBuffer (as an array from the global
/// heap) or by whoever attached it. Buffers are not reference counted; each
/// has one owner at a time and ownership passes explicitly.
class MediaBuffer {
 public:
  MediaBuffer();
  /// Waits until no other thread holds the lock, then frees the buffer's own
  /// members. The attached block is not freed.
  virtual ~MediaBuffer();

  MediaBuffer(const MediaBuffer&) = delete;
  MediaBuffer& operator=(const MediaBuffer&) = delete;

  /// Attaches a block of `capacity` bytes. No lock, no copy; a previously
  /// attached block is not freed.
  virtual void setData(unsigned char* data, std::uint32_t capacity);

  /// Gives the buffer up. For a plain or typed buffer this only waits until
  /// no other thread holds the lock; a chunk returns itself to its allocator.
  virtual void release();

  /// Takes one level of the lock and returns the block.
  virtual unsigned char* lockData();
  /// Releases one level taken by lockData().
  virtual void unlockData();
  /// Takes one level of the lock.
  virtual void lock();
  /// Releases one level taken by lock().
  virtual void unlock();

  std::uint32_t capacity() const { return capacity_; }
  /// Meaningful bytes at data(); producers of text count the terminating zero.
  std::uint32_t& length() { return length_; }
  std::uint32_t length() const { return length_; }
  /// The block without taking the lock, for the producer that fills it.
  unsigned char* data() const { return data_; }
  const String<unsigned char>& ownedBytes() const { return ownedBytes_; }

 private:
  std::uint32_t length_ = 0;
  std::uint32_t capacity_ = 0;
  unsigned char* data_ = nullptr;
  LockSpace mutex_;
  String<unsigned char> ownedBytes_;
};

/// What a typed buffer's bytes are: a four-character tag plus a zero byte,
/// then three codes whose meaning belongs to the host.
struct FormatDescriptor {
  char tag[5] = {0, 0, 0, 0, 0};
  std::int32_t formatCode = 0;
  std::int32_t kind = 0;
  std::int32_t variant = 0;
};
static_assert(sizeof(FormatDescriptor) == 20, "the descriptor is exchanged as 20 bytes");

/// A format tag by value: four characters and a zero byte ("SSA\0\0").
struct FormatTag {
  char bytes[5] = {0, 0, 0, 0, 0};
};

/// A buffer with a format descriptor, all zero after construction.
class TypedMediaBuffer : public MediaBuffer, public FormatDescriptor {};

/// One timed piece of a stream: start and duration in milliseconds, and the
/// allocator that made it, to which release() returns it.
class MediaChunk : public MediaBuffer {
 public:
  explicit MediaChunk(MediaBufferAllocator& allocator) : allocator_(&allocator) {}
  ~MediaChunk() override;

  /// Hands the chunk to its allocator, which frees the block and the chunk.
  /// The chunk no longer exists afterwards.
  void release() override;

  std::uint32_t timestamp = 0;
  std::uint32_t duration = 0;
  std::uint32_t reserved1 = 0;
  std::uint32_t reserved2 = 0;

  MediaBufferAllocator& allocator() const { return *allocator_; }
  const ImageProperties& imageProperties() const { return image_; }
  const AudioProperties& audioProperties() const { return audio_; }

 private:
  MediaBufferAllocator* allocator_;
  ImageProperties image_;
  AudioProperties audio_;
};

}  // namespace Quarn
