#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

// Large buffers come straight from the kernel with huge pages requested: on a
// virtual machine the first touch of each 4 KiB page costs more than
// tokenizing the bytes that fill it.

namespace velkaro {

// Smaller blocks come from malloc, which reuses freed memory without new page faults.
inline constexpr std::size_t kBigAllocation = std::size_t{32} << 20;

void* AllocateBig(std::size_t bytes);
void FreeBig(void* memory, std::size_t bytes) noexcept;

template <typename T>
struct TBigAllocator {
  using value_type = T;

  TBigAllocator() = default;
  template <typename U>
  TBigAllocator(const TBigAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kBigAllocation) return std::allocator<T>().allocate(count);
    return static_cast<T*>(AllocateBig(bytes));
  }
  void deallocate(T* memory, std::size_t count) noexcept {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kBigAllocation) {
      std::allocator<T>().deallocate(memory, count);
    } else {
      FreeBig(memory, bytes);
    }
  }
  // Default-initialises: a buffer about to be written over is not zero-filled first.
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
      ::new (static_cast<void*>(place)) U;
    } else {
      ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
  }
  template <typename U>
  bool operator==(const TBigAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace velkaro
