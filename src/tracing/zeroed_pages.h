// Zeroed memory for the large buffers a run touches as it starts (the ray bundle, the sweeps'
// scratch memory, the marks' painted-pixel map), mapped from the system in 2 MB pages where it
// gives them. Every 4 KB page costs a fault and its zeroing when first touched: a cold run of a
// million rays through the singlet spent about half its time in the system on them. A 2 MB page
// takes one fault for 512 of those. Where the system gives no such pages the advice is ignored
// and the memory comes in plain pages, zeroed all the same.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace lumi {

class ZeroedPages {
 public:
  static constexpr std::size_t kPage = std::size_t{2} << 20;

  // At least `bytes` of zeroed memory starting on a 2 MB boundary.
  explicit ZeroedPages(std::size_t bytes) : size_((bytes + kPage - 1) / kPage * kPage) {
    // Mapped one page longer than asked, so that a 2 MB boundary lies within; the rest goes back
    const std::size_t mapped = size_ + kPage;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (start + kPage - 1) / kPage * kPage;
    if (aligned > start) ::munmap(p, aligned - start);
    const std::size_t after = start + mapped - (aligned + size_);
    if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + size_), after);
    data_ = reinterpret_cast<std::byte*>(aligned);
    ::madvise(data_, size_, MADV_HUGEPAGE);
  }
  ~ZeroedPages() {
    if (data_) ::munmap(data_, size_);
  }
  ZeroedPages(ZeroedPages&& other) noexcept
      : size_(std::exchange(other.size_, 0)), data_(std::exchange(other.data_, nullptr)) {}
  ZeroedPages& operator=(ZeroedPages other) noexcept {
    std::swap(size_, other.size_);
    std::swap(data_, other.data_);
    return *this;
  }

  std::byte* data() const { return data_; }
  template <class T>
  T* as() const {
    return reinterpret_cast<T*>(data_);
  }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_;
  std::byte* data_ = nullptr;
};

}  // namespace lumi
