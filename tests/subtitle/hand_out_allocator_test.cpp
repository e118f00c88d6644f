// The copies handed to hosts: a chunk given back is used again, and must
// then be indistinguishable from a new one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "subtitle/HandOutAllocator.h"

namespace Quarn {
namespace {

MediaChunk* copyOf(const std::string& text) {
  return HandOutAllocator::instance().createTextCopy(
      reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::uint32_t>(text.size()));
}

// The bytes, the zero after them, and the sizes a new copy has.
void expectCopy(const MediaChunk* chunk, const std::string& text) {
  ASSERT_NE(chunk, nullptr);
  EXPECT_EQ(chunk->length(), text.size() + 1);
  EXPECT_EQ(chunk->capacity(), text.size() + 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk->data()), text.size() + 1),
            text + '\0');
}

TEST(HandOutAllocator, AChunkGivenBackComesOutAgainAsNew) {
  MediaChunk* first = copyOf("Dialogue: first");
  // What a host can change on a chunk it holds.
  unsigned char elsewhere[4] = {'x', 'y', 'z', 0};
  first->timestamp = 7;
  first->duration = 8;
  first->reserved1 = 9;
  first->reserved2 = 10;
  first->length() = 1;
  first->setData(elsewhere, sizeof elsewhere);
  first->lock();
  first->unlock();
  first->release();

  MediaChunk* second = copyOf("second");
  EXPECT_EQ(second, first) << "the chunk given back is used for the next copy";
  expectCopy(second, "second");
  EXPECT_NE(second->data(), elsewhere);
  EXPECT_EQ(second->timestamp, 0u);
  EXPECT_EQ(second->duration, 0u);
  EXPECT_EQ(second->reserved1, 0u);
  EXPECT_EQ(second->reserved2, 0u);
  second->release();
}

TEST(HandOutAllocator, CopiesOfEverySizeHoldTheirBytes) {
  // Around the room of the blocks that are kept, released in an order that
  // puts each size's chunk in front of every other size.
  const std::vector<std::size_t> sizes = {0,
                                          1,
                                          HandOutAllocator::kKeptRoom - 1,
                                          HandOutAllocator::kKeptRoom,
                                          HandOutAllocator::kKeptRoom + 1,
                                          5000};
  for (std::size_t held : sizes) {
    for (std::size_t next : sizes) {
      SCOPED_TRACE(std::to_string(held) + " then " + std::to_string(next));
      const std::string a(held, 'a');
      const std::string b(next, 'b');
      MediaChunk* first = copyOf(a);
      MediaChunk* kept = copyOf(b);  // two at once: the second cannot be a kept one
      expectCopy(first, a);
      expectCopy(kept, b);
      kept->release();
      first->release();
      MediaChunk* again = copyOf(b);
      expectCopy(again, b);
      again->release();
    }
  }
}

}  // namespace
}  // namespace Quarn
