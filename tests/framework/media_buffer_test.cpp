// Media buffers and chunks: ownership of the data block, the allocator's
// release rules and the recursive buffer lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "framework/MediaBufferAllocator.h"

namespace Quarn {
namespace {

// A buffer that reports its destruction, to see when releaseBuffer destroys it.
class ObservedBuffer : public TypedMediaBuffer {
 public:
  explicit ObservedBuffer(bool* destroyed) : destroyed_(destroyed) {}
  ~ObservedBuffer() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
};

TEST(MediaChunk, CreateChunkAttachesTheBlock) {
  MediaBufferAllocator allocator;
  unsigned char* block = new unsigned char[8];
  MediaChunk* chunk = allocator.createChunk(block, 8);
  EXPECT_EQ(chunk->capacity(), 8u);
  EXPECT_EQ(chunk->data(), block);
  EXPECT_EQ(chunk->length(), 0u);
  EXPECT_EQ(chunk->timestamp, 0u);
  EXPECT_EQ(chunk->duration, 0u);
  EXPECT_EQ(chunk->reserved1, 0u);
  EXPECT_EQ(chunk->reserved2, 0u);
  EXPECT_EQ(&chunk->allocator(), &allocator);
  EXPECT_EQ(chunk->imageProperties().factor1, 1);
  EXPECT_EQ(chunk->audioProperties().valueA, 0);
  EXPECT_TRUE(chunk->ownedBytes().isEmpty());
  // The chunk's own release frees block and chunk (the sanitizer run checks).
  chunk->release();
}

TEST(MediaBuffer, FreshBuffersAreEmptyAndUntyped) {
  const TypedMediaBuffer typed;
  EXPECT_EQ(typed.capacity(), 0u);
  EXPECT_EQ(typed.length(), 0u);
  EXPECT_EQ(typed.data(), nullptr);
  const char zeros[5] = {};
  EXPECT_EQ(std::memcmp(typed.tag, zeros, 5), 0);
  EXPECT_EQ(typed.formatCode, 0);
  EXPECT_EQ(typed.kind, 0);
  EXPECT_EQ(typed.variant, 0);
}

TEST(MediaBuffer, ReleaseOfAPlainBufferFreesNothing) {
  unsigned char local[4] = {1, 2, 3, 4};
  MediaBuffer plain;
  plain.setData(local, sizeof local);
  plain.release();
  TypedMediaBuffer typed;
  typed.setData(local, sizeof local);
  typed.release();
  // Still attached and readable: nothing was freed (a free of stack memory
  // would abort under the sanitizers).
  EXPECT_EQ(plain.lockData(), local);
  plain.unlockData();
  EXPECT_EQ(typed.data()[3], 4);
}

TEST(MediaBufferAllocator, ReleaseBufferRules) {
  MediaBufferAllocator allocator;
  allocator.releaseBuffer(nullptr);  // ignored
  EXPECT_EQ(allocator.createBuffer(1, 2, 3), nullptr);

  // Capacity 0: the object is destroyed, its data pointer never touched.
  unsigned char local[2] = {};
  bool destroyed = false;
  auto* empty = new ObservedBuffer(&destroyed);
  empty->setData(local, 0);
  allocator.releaseBuffer(empty);
  EXPECT_TRUE(destroyed);

  // With a block: block and object both go.
  destroyed = false;
  auto* full = new ObservedBuffer(&destroyed);
  full->setData(new unsigned char[32], 32);
  allocator.releaseBuffer(full);
  EXPECT_TRUE(destroyed);
}

TEST(MediaBufferAllocator, ParameterAndReleaseMemory) {
  MediaBufferAllocator allocator;
  EXPECT_EQ(allocator.parameter(), 0);
  allocator.setParameter(8);
  EXPECT_EQ(allocator.parameter(), 8);

  StandardAllocator<unsigned char>& bytes = StandardAllocator<unsigned char>::instance();
  EXPECT_FALSE(allocator.releaseMemory(bytes.allocate(10), 10, bytes));
  EXPECT_FALSE(allocator.releaseMemory(nullptr, 0, bytes));
}

TEST(MediaBuffer, LockIsRecursiveAndMakesOtherThreadsWait) {
  MediaBuffer buffer;
  unsigned char local[1] = {};
  buffer.setData(local, 1);

  EXPECT_EQ(buffer.lockData(), local);
  EXPECT_EQ(buffer.lockData(), local);  // the owner takes a second level

  std::atomic<bool> acquired{false};
  std::thread other([&] {
    buffer.lock();
    acquired = true;
    buffer.unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired.load());
  buffer.unlockData();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired.load()) << "one level is still held";
  buffer.unlockData();
  other.join();
  EXPECT_TRUE(acquired.load());

  // Free again: lock/unlock pairs from this thread still work.
  buffer.lock();
  buffer.unlock();
}

TEST(MediaBuffer, ReleaseWaitsForTheLockHolder) {
  MediaBuffer buffer;
  std::atomic<bool> holderDone{false};
  std::atomic<bool> held{false};
  std::thread holder([&] {
    buffer.lock();
    held = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    holderDone = true;
    buffer.unlock();
  });
  while (!held)
    std::this_thread::yield();
  buffer.release();
  EXPECT_TRUE(holderDone.load()) << "release returned while another thread held the lock";
  holder.join();
}

}  // namespace
}  // namespace Quarn
