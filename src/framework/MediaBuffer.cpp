#include "MediaBuffer.h"

#include "MediaBufferAllocator.h"

namespace Quarn {

MediaBuffer::~MediaBuffer() {
  // Not virtual dispatch: destruction waits for the lock like the base release.
  MediaBuffer::release();
}

void MediaBuffer::setData(unsigned char* data, std::uint32_t capacity) {
  data_ = data;
  capacity_ = capacity;
}

void MediaBuffer::release() {
  mutex_.lock();
  mutex_.unlock();
}

unsigned char* MediaBuffer::lockData() {
  mutex_.lock();
  return data_;
}

void MediaBuffer::unlockData() {
  mutex_.unlock();
}

void MediaBuffer::lock() {
  mutex_.lock();
}

void MediaBuffer::unlock() {
  mutex_.unlock();
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
