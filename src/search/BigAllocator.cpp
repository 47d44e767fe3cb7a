#include "BigAllocator.h"

#include <sys/mman.h>

namespace velkaro {

void* AllocateBig(std::size_t bytes) {
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  // Only advice: without huge pages the memory works all the same.
  madvise(memory, bytes, MADV_HUGEPAGE);
  return memory;
}

void FreeBig(void* memory, std::size_t bytes) noexcept { munmap(memory, bytes); }

}  // namespace velkaro
