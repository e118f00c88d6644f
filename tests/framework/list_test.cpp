// Lists and the typed allocators behind them.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "framework/List.h"
#include "framework/StreamInterface.h"
#include "support/CountingAllocator.h"

namespace Quarn {
namespace {

using Testing::CountingAllocator;
using IdList = List<unsigned long long>;

std::vector<unsigned long long> values(const IdList& list) {
  return std::vector<unsigned long long>(list.begin(), list.end());
}

TEST(StandardAllocator, DefaultInstancesAreProcessWide) {
  EXPECT_EQ(&StandardAllocator<char>::instance(), &StandardAllocator<char>::instance());
  EXPECT_EQ(&IdNodeAllocator::instance(), &IdNodeAllocator::instance());
  EXPECT_NE(static_cast<void*>(&StandardAllocator<char>::instance()),
            static_cast<void*>(&StandardAllocator<unsigned char>::instance()));
  StandardAllocator<char>::instance().release(nullptr);  // null is accepted
}

TEST(StandardAllocator, ByteSizeOverflowFailsInsteadOfReturningAShortBlock) {
  const std::size_t max = std::numeric_limits<std::size_t>::max();
  EXPECT_THROW(IdNodeAllocator::instance().allocate(max / sizeof(Node<unsigned long long>) + 1),
               std::bad_alloc);
  EXPECT_THROW(StreamNodeAllocator::instance().allocate(max / 2), std::bad_alloc);
}

TEST(List, PushBackLinksNodesFromTheListsAllocator) {
  CountingAllocator<Node<unsigned long long>> alloc;
  {
    IdList list(alloc);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.head(), nullptr);
    Node<unsigned long long>* first = list.pushBack(7);
    Node<unsigned long long>* second = list.pushBack(8);
    EXPECT_EQ(list.head(), first);
    EXPECT_EQ(list.tail(), second);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->next, nullptr);
    EXPECT_EQ(list.count(), 2);
    EXPECT_TRUE(alloc.owns(first));
    list.clear();
    EXPECT_EQ(list.head(), nullptr);
    EXPECT_EQ(list.tail(), nullptr);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(alloc.live(), 0u);
    list.pushBack(9);  // usable after clear
  }
  EXPECT_EQ(alloc.live(), 0u);
  EXPECT_EQ(alloc.foreign(), 0);
}

TEST(List, CopyIsDeepAndUsesTheCopysAllocator) {
  CountingAllocator<Node<unsigned long long>> sourceAlloc;
  CountingAllocator<Node<unsigned long long>> copyAlloc;
  IdList source(sourceAlloc);
  source.pushBack(1);
  source.pushBack(0xFFFFFFFFFFFFFFFFull);
  source.pushBack(3);
  {
    IdList copy(source, copyAlloc);
    EXPECT_EQ(values(copy), values(source));
    EXPECT_EQ(copy.count(), 3);
    EXPECT_EQ(&copy.allocator(), &copyAlloc);
    EXPECT_EQ(copyAlloc.live(), 3u);
    EXPECT_NE(copy.head(), source.head());
    copy.clear();
  }
  EXPECT_EQ(values(source), (std::vector<unsigned long long>{1, 0xFFFFFFFFFFFFFFFFull, 3}));
  EXPECT_EQ(sourceAlloc.live(), 3u);
  EXPECT_EQ(copyAlloc.foreign() + sourceAlloc.foreign(), 0);
}

TEST(List, CopyOfACutChainFillsMissingValuesWithZero) {
  IdList source;
  source.pushBack(5);
  source.pushBack(6);
  source.pushBack(7);
  // Cut the chain after the first node, keeping the count at 3.
  Node<unsigned long long>* orphan = source.head()->next;
  source.head()->next = nullptr;
  const IdList copy(source);
  EXPECT_EQ(values(copy), (std::vector<unsigned long long>{5, 0, 0}));
  // Restore the chain so that the source frees every node.
  source.head()->next = orphan;
}

TEST(List, MoveTakesNodesAndAllocator) {
  CountingAllocator<Node<StreamInterface*>> alloc;
  List<StreamInterface*> a(alloc);
  a.pushBack(nullptr);
  List<StreamInterface*> b(std::move(a));
  EXPECT_EQ(b.count(), 1);
  EXPECT_EQ(&b.allocator(), &alloc);
  EXPECT_EQ(a.count(), 0);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(a.head(), nullptr);
}

}  // namespace
}  // namespace Quarn
