#include "MediaBuffer.h"

#include "MediaBufferAllocator.h"
#include "RecursiveLock.h"

namespace Quarn {

MediaBuffer::MediaBuffer() {
  buildLock(mutex_);
}

MediaBuffer::~MediaBuffer() {
  // Not virtual dispatch: destruction waits for the lock like the base release.
  MediaBuffer::release();
  destroyLock(mutex_);
}

void MediaBuffer::setData(unsigned char* data, std::uint32_t capacity) {
  data_ = data;
  capacity_ = capacity;
}

void MediaBuffer::release() {
  lockIn(mutex_).lock();
  lockIn(mutex_).unlock();
}

unsigned char* MediaBuffer::lockData() {
  lockIn(mutex_).lock();
  return data_;
}

void MediaBuffer::unlockData() {
  lockIn(mutex_).unlock();
}

void MediaBuffer::lock() {
  lockIn(mutex_).lock();
}

void MediaBuffer::unlock() {
  lockIn(mutex_).unlock();
}

MediaChunk::~MediaChunk() {
  timestamp = 0;
  duration = 0;
  reserved1 = 0;
  reserved2 = 0;
}

void MediaChunk::release() {
  allocator_->releaseBuffer(this);
}

MediaBuffer* MediaBufferAllocator::createBuffer(std::int32_t, std::int32_t, std::int32_t) {
  return nullptr;
}

void MediaBufferAllocator::releaseBuffer(MediaBuffer* buffer) {
  if (buffer == nullptr)
    return;
  if (buffer->capacity() != 0) {
    unsigned char* block = buffer->lockData();
    delete[] block;
    buffer->unlockData();
  }
  delete buffer;
}

MediaChunk* MediaBufferAllocator::createChunk(unsigned char* data, std::uint32_t capacity) {
  MediaChunk* chunk = new MediaChunk(*this);
  chunk->setData(data, capacity);
  return chunk;
}

}  // namespace Quarn
