// An ordered collection of items with unique text keys compared without
// regard to case (full Unicode case folding: "Müller" and "MÜLLER" are one
// key).
//
// The import keeps up to 100,000 contacts in one, the confirmation dialog
// walks and removes by position, and the harvest looks keys up millions of
// times, so:
//   - Add, Item, Contains, Remove by key: O(1) on average;
//   - ItemAt, KeyAt, RemoveAt by 1-based position: O(log n);
//   - iteration: insertion order, removed items skipped.
// Items are held by value and may be move-only (std::unique_ptr<...>).
//
// Failures (raised as tovask::Failure with source "KeyedCollection"):
//   - Add with a key already present: 457 "This key is already associated
//     with an element of this collection";
//   - Item or Remove with an absent key: 5 "Invalid procedure call or
//     argument";
//   - ItemAt, KeyAt or RemoveAt outside 1..Count(): 9 "Subscript out of range".
// A failed call leaves the collection as it was.
//
// References returned by Item/ItemAt stay valid until the collection is next
// changed; Add and Remove invalidate iterators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "main/case_fold.h"
#include "main/failure.h"

namespace tovask {

template <class T>
class KeyedCollection {
  struct Slot {
    std::string key;        // as given to Add
    std::string folded;     // FoldCase(key)
    std::optional<T> item;  // empty once removed
  };

 public:
  // Iterates the live items in insertion order, yielding T& (const T& for a
  // const collection).
  template <bool kConst>
  class Iterator {
    using SlotVector = std::conditional_t<kConst, const std::vector<Slot>, std::vector<Slot>>;

   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<kConst, const T*, T*>;
    using reference = std::conditional_t<kConst, const T&, T&>;

    Iterator() = default;
    Iterator(SlotVector* slots, std::size_t index) : slots_(slots), index_(index) { SkipRemoved(); }

    reference operator*() const { return *(*slots_)[index_].item; }
    pointer operator->() const { return &*(*slots_)[index_].item; }
    // The key the current item was added with.
    std::string_view key() const { return (*slots_)[index_].key; }
    Iterator& operator++() {
      ++index_;
      SkipRemoved();
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const Iterator& other) const { return index_ == other.index_; }

   private:
    void SkipRemoved() {
      while (index_ < slots_->size() && !(*slots_)[index_].item) ++index_;
    }
    SlotVector* slots_ = nullptr;
    std::size_t index_ = 0;
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;

  void Add(std::string_view key, T item) {
    std::string folded = FoldCase(key);
    if (index_.find(folded) != index_.end()) {
      throw Failure("KeyedCollection", 457,
                    "This key is already associated with an element of this collection");
    }
    // Everything that can throw happens before the first change.
    Slot slot{std::string(key), folded, std::move(item)};
    ReserveOneMore(slots_);
    ReserveOneMore(tree_);
    index_.emplace(std::move(folded), slots_.size());
    slots_.push_back(std::move(slot));
    AppendToTree();
    ++count_;
  }

  T& Item(std::string_view key) { return *slots_[SlotOfKey(key)].item; }
  const T& Item(std::string_view key) const { return *slots_[SlotOfKey(key)].item; }

  T& ItemAt(std::int32_t position) { return *slots_[SlotAt(position)].item; }
  const T& ItemAt(std::int32_t position) const { return *slots_[SlotAt(position)].item; }

  // The key as it was given to Add.
  std::string_view KeyAt(std::int32_t position) const { return slots_[SlotAt(position)].key; }

  void Remove(std::string_view key) { RemoveSlot(SlotOfKey(key)); }
  void RemoveAt(std::int32_t position) { RemoveSlot(SlotAt(position)); }

  std::int32_t Count() const { return count_; }

  bool Contains(std::string_view key) const noexcept { return FindSlot(key).has_value(); }

  iterator begin() { return iterator(&slots_, 0); }
  iterator end() { return iterator(&slots_, slots_.size()); }
  const_iterator begin() const { return const_iterator(&slots_, 0); }
  const_iterator end() const { return const_iterator(&slots_, slots_.size()); }

 private:
  // Folded keys may be looked up by std::string_view without a copy.
  // Deliberately not noexcept: libstdc++ then keeps each key's hash in its
  // node, so a lookup compares hashes before keys and never hashes a stored
  // key again while it walks a bucket.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>()(text);
    }
  };

  // Only running out of memory while folding can make a lookup fail, and
  // then ending the process is the right outcome; so this is noexcept.
  std::optional<std::size_t> FindSlot(std::string_view key) const noexcept {
    if (IsFoldedAscii(key)) return SlotOf(index_.find(key));
    // Entry identifiers, the most common keys, are upper-case hex: lowered
    // on the stack they are looked up without allocating a folded copy.
    constexpr std::size_t kStackKeyBytes = 64;
    if (key.size() <= kStackKeyBytes && IsAscii(key)) {
      char lowered[kStackKeyBytes];
      for (std::size_t i = 0; i < key.size(); ++i) lowered[i] = AsciiLower(key[i]);
      return SlotOf(index_.find(std::string_view(lowered, key.size())));
    }
    return SlotOf(index_.find(FoldCase(key)));
  }

  template <class Found>
  std::optional<std::size_t> SlotOf(Found found) const noexcept {
    if (found == index_.end()) return std::nullopt;
    return found->second;
  }

  std::size_t SlotOfKey(std::string_view key) const {
    std::optional<std::size_t> slot = FindSlot(key);
    if (!slot) throw Failure("KeyedCollection", 5, "Invalid procedure call or argument");
    return *slot;
  }

  // The slot of the position-th live item: a descent through the Fenwick
  // tree of live-slot counts.
  std::size_t SlotAt(std::int32_t position) const {
    if (position < 1 || position > count_) {
      throw Failure("KeyedCollection", 9, "Subscript out of range");
    }
    std::size_t node = 0;
    std::int64_t remaining = position;
    std::size_t step = 1;
    while (step * 2 <= tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      std::size_t next = node + step;
      if (next <= tree_.size() && tree_[next - 1] < remaining) {
        node = next;
        remaining -= tree_[next - 1];
      }
    }
    return node;  // tree node node+1 holds the item; its slot index is node
  }

  void RemoveSlot(std::size_t slot) {
    index_.erase(slots_[slot].folded);
    slots_[slot].item.reset();
    AddToTree(slot, -1);
    --count_;
    // Keep removed slots from outweighing live ones, so positions and
    // iteration stay proportional to the live items.
    std::size_t removed = slots_.size() - static_cast<std::size_t>(count_);
    if (removed > 64 && removed > static_cast<std::size_t>(count_)) Compact();
  }

  // Room for one more element, so that the push_back that follows cannot
  // throw. The room grows by doubling: reserving only one more would copy
  // the whole vector on every Add.
  template <class V>
  static void ReserveOneMore(V& vector) {
    if (vector.size() == vector.capacity()) vector.reserve(vector.capacity() * 2 + 8);
  }

  // Fenwick tree over slots: tree_[i-1] counts the live slots in
  // (i - lowbit(i), i], 1-based.
  void AppendToTree() {
    std::size_t node = tree_.size() + 1;
    std::size_t low = node & (~node + 1);
    // The new node covers the slots (node - low, node]; all but the last
    // are summed from the nodes already there.
    std::int32_t sum = 1;
    for (std::size_t child = node - 1; child > node - low; child -= child & (~child + 1)) {
      sum += tree_[child - 1];
    }
    tree_.push_back(sum);
  }

  void AddToTree(std::size_t slot, std::int32_t delta) {
    for (std::size_t node = slot + 1; node <= tree_.size(); node += node & (~node + 1)) {
      tree_[node - 1] += delta;
    }
  }

  void Compact() {
    std::vector<Slot> live;
    live.reserve(static_cast<std::size_t>(count_));
    for (Slot& slot : slots_) {
      if (slot.item) live.push_back(std::move(slot));
    }
    slots_ = std::move(live);
    tree_.clear();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      index_[slots_[i].folded] = i;
      AppendToTree();
    }
  }

  std::vector<Slot> slots_;
  std::vector<std::int32_t> tree_;
  std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> index_;
  std::int32_t count_ = 0;
};

// True when the collection holds `key`; false otherwise. Never fails.
template <class T>
bool HasKey(const KeyedCollection<T>& collection, std::string_view key) noexcept {
  return collection.Contains(key);
}

}  // namespace tovask
