// A vector that grows by whole chunks: growing never moves or copies what it holds, so elements
// keep their addresses and there is no moment with the old and the new array both in memory (a
// document can hold millions of arts).
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace flhost {

template <class T, unsigned kShift = 12>
class ChunkedVector {
 public:
  static constexpr size_t kChunk = size_t{1} << kShift;

  ChunkedVector() = default;
  ChunkedVector(ChunkedVector&&) noexcept = default;
  ChunkedVector& operator=(ChunkedVector&&) noexcept = default;
  // A copy holds copies of the elements (a snapshot of a document is one).
  ChunkedVector(const ChunkedVector& other) : size_(other.size_) {
    chunks_.reserve(other.chunks_.size());
    for (const auto& c : other.chunks_) {
      chunks_.push_back(std::make_unique<T[]>(kChunk));
      std::copy(c.get(), c.get() + kChunk, chunks_.back().get());
    }
  }
  ChunkedVector& operator=(const ChunkedVector& other) {
    if (this != &other) *this = ChunkedVector(other);
    return *this;
  }

  T& operator[](size_t i) { return chunks_[i >> kShift][i & (kChunk - 1)]; }
  const T& operator[](size_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Makes room for one more element, so that the next push_back cannot fail.
  void reserveOne() {
    if (size_ == chunks_.size() * kChunk) chunks_.push_back(std::make_unique<T[]>(kChunk));
  }
  T& push_back(const T& value) {
    reserveOne();
    T& slot = (*this)[size_++];
    slot = value;
    return slot;
  }
  void pop_back() { --size_; }
  // Forgets every element and gives back all chunks but the first.
  void clear() {
    size_ = 0;
    if (chunks_.size() > 1) chunks_.resize(1);
  }

 private:
  std::vector<std::unique_ptr<T[]>> chunks_;
  size_t size_ = 0;
};

}  // namespace flhost
