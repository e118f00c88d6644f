// The framework string: ownership, the allocator it carries, and the
// zero-element and null-text corners that callers across the boundary hit.
#include <gtest/gtest.h>

#include <map>
#include <new>

#include "framework/String.h"
#include "support/CountingAllocator.h"

namespace Quarn {
namespace {

using Testing::CountingAllocator;
using Bytes = String<unsigned char>;

// An allocator that refuses after `budget` allocations.
template <class T>
class FailingAllocator : public CountingAllocator<T> {
 public:
  explicit FailingAllocator(int budget) : budget_(budget) {}
  T* allocate(std::size_t count) override {
    if (budget_-- <= 0)
      throw std::bad_alloc();
    return CountingAllocator<T>::allocate(count);
  }

 private:
  int budget_;
};

TEST(String, NullAndEmptyTexts) {
  const String<char> unallocated(static_cast<const char*>(nullptr));
  EXPECT_EQ(unallocated.data(), nullptr);
  EXPECT_EQ(unallocated.length(), 0u);
  EXPECT_TRUE(unallocated.isEmpty());

  const String<char> empty("");
  ASSERT_NE(empty.data(), nullptr);
  EXPECT_EQ(empty.data()[0], '\0');
  EXPECT_EQ(empty.length(), 0u);
  EXPECT_TRUE(empty.isEmpty());

  for (const String<char>* s : {&unallocated, &empty}) {
    EXPECT_TRUE(s->equals(""));
    EXPECT_TRUE(s->equals(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(s->equals("a"));
    EXPECT_EQ(s->toStdString(), "");
  }

  const String<char> fromNullCount(static_cast<const char*>(nullptr), 5u);
  EXPECT_EQ(fromNullCount.data(), nullptr);
  EXPECT_EQ(fromNullCount.length(), 0u);
}

TEST(String, CountedTextKeepsEmbeddedZeros) {
  const unsigned char raw[] = {'a', 'b', 0, 'c', 'd'};
  const Bytes s(raw, 5u);
  ASSERT_EQ(s.length(), 5u);
  EXPECT_EQ(std::memcmp(s.data(), raw, 5), 0);
  EXPECT_EQ(s.data()[5], 0) << "always zero-terminated";
  EXPECT_EQ(s.toStdString(), "ab");
  EXPECT_TRUE(s.equals("ab"));
  EXPECT_FALSE(s.equals("abcd"));

  const Bytes copy(s);
  EXPECT_EQ(copy.length(), 5u);
  EXPECT_EQ(std::memcmp(copy.data(), raw, 5), 0) << "copies keep every counted element";
}

TEST(String, StorageComesFromAndReturnsToItsAllocator) {
  CountingAllocator<char> mine;
  {
    String<char> s("hello", mine);
    EXPECT_EQ(&s.allocator(), &mine);
    EXPECT_TRUE(mine.owns(s.data()));
    EXPECT_EQ(mine.allocations(), 1);

    String<char> copy(s, mine);
    EXPECT_EQ(mine.allocations(), 2);
    EXPECT_NE(copy.data(), s.data()) << "copies are deep";

    const String<char> defaultCopy(s);
    EXPECT_EQ(&defaultCopy.allocator(), &StandardAllocator<char>::instance());
    EXPECT_EQ(mine.allocations(), 2);

    copy.clear();
    EXPECT_EQ(copy.data(), nullptr);
    EXPECT_EQ(copy.length(), 0u);
    EXPECT_EQ(mine.live(), 1u);
  }
  EXPECT_EQ(mine.live(), 0u);
  EXPECT_EQ(mine.foreign(), 0);
}

TEST(String, AssignKeepsReceiverAllocatorAndReleasesSourceToItsOwn) {
  CountingAllocator<unsigned char> receiverAlloc;
  CountingAllocator<unsigned char> sourceAlloc;
  Bytes receiver("old text", receiverAlloc);

  receiver.assign(Bytes("new", sourceAlloc));
  EXPECT_TRUE(receiver.equals("new"));
  EXPECT_EQ(&receiver.allocator(), &receiverAlloc);
  EXPECT_TRUE(receiverAlloc.owns(receiver.data()));
  EXPECT_EQ(receiverAlloc.live(), 1u) << "the old text went back";
  EXPECT_EQ(sourceAlloc.allocations(), 1);
  EXPECT_EQ(sourceAlloc.live(), 0u) << "the source went back to its own allocator";
  EXPECT_EQ(receiverAlloc.foreign() + sourceAlloc.foreign(), 0);

  // An lvalue source is copied first; the caller's string is untouched.
  const Bytes other("other", sourceAlloc);
  receiver.assign(other);
  EXPECT_TRUE(receiver.equals("other"));
  EXPECT_TRUE(other.equals("other"));
  EXPECT_TRUE(receiverAlloc.owns(receiver.data()));

  // Operator forms behave as assign.
  receiver = Bytes("moved", sourceAlloc);
  EXPECT_TRUE(receiver.equals("moved"));
  EXPECT_TRUE(receiverAlloc.owns(receiver.data()));
}

TEST(String, AssignWithinOneAllocatorTakesTheStorageOver) {
  CountingAllocator<char> alloc;
  String<char> receiver("old", alloc);
  String<char> source("a long text", alloc);
  const char* block = source.data();
  receiver.assign(std::move(source));
  EXPECT_EQ(receiver.data(), block);
  EXPECT_TRUE(receiver.equals("a long text"));
  EXPECT_EQ(alloc.allocations(), 2) << "no third block";
  EXPECT_EQ(alloc.live(), 1u);
}

TEST(String, AssignFromUnallocatedSourceEmptiesReceiver) {
  CountingAllocator<char> alloc;
  String<char> receiver("text", alloc);
  receiver.assign(String<char>());
  EXPECT_EQ(receiver.data(), nullptr);
  EXPECT_EQ(receiver.length(), 0u);
  EXPECT_EQ(alloc.live(), 0u);
}

TEST(String, FailedAssignLeavesReceiverUnallocatedAndReleasesSource) {
  FailingAllocator<char> receiverAlloc(1);
  CountingAllocator<char> sourceAlloc;
  String<char> receiver("before", receiverAlloc);
  EXPECT_THROW(receiver.assign(String<char>("after", sourceAlloc)), std::bad_alloc);
  EXPECT_EQ(receiver.data(), nullptr);
  EXPECT_EQ(receiver.length(), 0u);
  EXPECT_EQ(receiverAlloc.live(), 0u);
  EXPECT_EQ(sourceAlloc.live(), 0u);
}

TEST(String, FailedConstructionLeavesNothing) {
  FailingAllocator<char> alloc(0);
  EXPECT_THROW(String<char>("x", alloc), std::bad_alloc);
  EXPECT_EQ(alloc.live(), 0u);
}

TEST(String, MoveTakesStorageWithItsAllocator) {
  CountingAllocator<char> alloc;
  String<char> a("abc", alloc);
  const char* block = a.data();
  String<char> b(std::move(a));
  EXPECT_EQ(b.data(), block);
  EXPECT_EQ(&b.allocator(), &alloc);
  EXPECT_EQ(a.data(), nullptr);  // NOLINT(bugprone-use-after-move): moved-from state is defined
  EXPECT_EQ(alloc.allocations(), 1);
}

TEST(String, EqualsAndSortsAfterReleaseTheirArgument) {
  CountingAllocator<unsigned char> argAlloc;
  const Bytes s("text/x-ssa");
  EXPECT_TRUE(s.equals(Bytes("text/x-ssa", argAlloc)));
  EXPECT_FALSE(s.equals(Bytes("text/x-ass", argAlloc)));
  EXPECT_TRUE(s.sortsAfter(Bytes("text/x-ass", argAlloc)));
  EXPECT_FALSE(s.sortsAfter(Bytes("text/x-ssa", argAlloc)));
  EXPECT_FALSE(s.sortsAfter(Bytes("text/x-ssb", argAlloc)));
  EXPECT_EQ(argAlloc.live(), 0u);

  // Bytes compare unsigned; a proper prefix orders first.
  EXPECT_TRUE(Bytes("\xC3\xA9").sortsAfter(Bytes("z")));
  EXPECT_TRUE(Bytes("abc").sortsAfter(Bytes("ab")));
  EXPECT_FALSE(Bytes("ab").sortsAfter(Bytes("abc")));
  EXPECT_TRUE(Bytes("a").sortsAfter(Bytes()));
}

TEST(String, FindLast) {
  const Bytes s("a/b/c");
  EXPECT_EQ(s.findLast("/"), 3);
  EXPECT_EQ(s.findLast("a"), 0);
  EXPECT_EQ(Bytes("abcde").findLast("/"), -1);
  EXPECT_EQ(s.findLast(""), 5) << "an empty search text gives the length";
  EXPECT_EQ(Bytes().findLast("/"), -1);
  EXPECT_EQ(Bytes().findLast(""), 0);
  // The search sees only the text before an embedded zero.
  EXPECT_EQ(Bytes("a/b\0/c", 6u).findLast("/"), 1);
}

TEST(String, KeyedContainersIterateInDescendingOrder) {
  std::map<Bytes, int, SortsAfter<unsigned char>> table;
  table.emplace(Bytes("text/x-ass"), 1);
  table.emplace(Bytes("text/x-ssa"), 2);
  table.emplace(Bytes("text/x-ssa"), 3);  // same key: not inserted again
  ASSERT_EQ(table.size(), 2u);
  auto it = table.begin();
  EXPECT_EQ(it->first.toStdString(), "text/x-ssa");
  EXPECT_EQ(it->second, 2);
  ++it;
  EXPECT_EQ(it->first.toStdString(), "text/x-ass");
  EXPECT_EQ(table.count(Bytes("text/x-ass")), 1u);
  EXPECT_EQ(table.count(Bytes("TEXT/X-ASS")), 0u);
}

}  // namespace
}  // namespace Quarn
