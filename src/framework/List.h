// The singly linked list that interface operations return. Its nodes come
// from, and go back to, the list's own node allocator.
#pragma once

#include <cstdint>
#include <iterator>
#include <limits>
#include <new>

#include "StandardAllocator.h"

namespace Quarn {

template <class T>
struct Node {
  T value;
  Node* next;
};

/// A List returned by value belongs to the caller. Copies are deep and take
/// their nodes from the destination's allocator.
template <class T>
class List {
 public:
  using Allocator = StandardAllocator<Node<T>>;

  explicit List(Allocator& allocator = Allocator::instance()) : allocator_(&allocator) {}

  /// Copies the values of `other` in order. The copy has exactly other.count()
  /// elements: should the chain end early, zero values stand in for the rest.
  List(const List& other, Allocator& allocator) : allocator_(&allocator) {
    try {
      const Node<T>* node = other.head_;
      for (std::int32_t i = 0; i < other.count_; ++i) {
        pushBack(node != nullptr ? node->value : T());
        if (node != nullptr)
          node = node->next;
      }
    } catch (...) {
      clear();
      throw;
    }
  }
  List(const List& other) : List(other, Allocator::instance()) {}

  /// Takes over the nodes together with the allocator that owns them.
  List(List&& other) noexcept
      : head_(other.head_), tail_(other.tail_), count_(other.count_), allocator_(other.allocator_) {
    other.head_ = other.tail_ = nullptr;
    other.count_ = 0;
  }

  List& operator=(const List&) = delete;
  List& operator=(List&&) = delete;

  ~List() { clear(); }

  /// Appends one node taken from the list's allocator and returns it.
  Node<T>* pushBack(const T& value) {
    if (count_ == std::numeric_limits<std::int32_t>::max())
      throw std::bad_alloc();
    Node<T>* node = allocator_->allocate(1);
    node->value = value;
    node->next = nullptr;
    if (tail_ != nullptr) {
      tail_->next = node;
    } else {
      head_ = node;
    }
    tail_ = node;
    ++count_;
    return node;
  }

  /// Releases every node through the list's allocator.
  void clear() noexcept {
    Node<T>* node = head_;
    while (node != nullptr) {
      Node<T>* next = node->next;
      allocator_->release(node);
      node = next;
    }
    head_ = tail_ = nullptr;
    count_ = 0;
  }

  Node<T>* head() const { return head_; }
  Node<T>* tail() const { return tail_; }
  std::int32_t count() const { return count_; }
  bool isEmpty() const { return count_ == 0; }
  Allocator& allocator() const { return *allocator_; }

  class ConstIterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;

    explicit ConstIterator(const Node<T>* node) : node_(node) {}
    reference operator*() const { return node_->value; }
    ConstIterator& operator++() {
      node_ = node_->next;
      return *this;
    }
    bool operator==(const ConstIterator& o) const { return node_ == o.node_; }
    bool operator!=(const ConstIterator& o) const { return node_ != o.node_; }

   private:
    const Node<T>* node_;
  };
  ConstIterator begin() const { return ConstIterator(head_); }
  ConstIterator end() const { return ConstIterator(nullptr); }

 private:
  Node<T>* head_ = nullptr;
  Node<T>* tail_ = nullptr;
  std::int32_t count_ = 0;
  Allocator* allocator_;
};

}  // namespace Quarn
