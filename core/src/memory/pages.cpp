#include "memory/pages.hpp"

#include <cstdint>

#include <sys/resource.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace varn::memory {

namespace {
// Below this the faults saved do not pay for the system call.
constexpr std::size_t kSmallest = std::size_t{8} << 20;
}  // namespace

void advise_sequential_fill(void* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size < kSmallest) return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  // Widened to whole pages: the hint changes no data, and a large buffer is
  // a mapping of its own that must stay one piece, or growing it later
  // (mremap) fails and the allocator copies it instead.
  const std::uintptr_t first = start / page * page;
  const std::uintptr_t last = (start + size + page - 1) / page * page;
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

void reserve_for_fill(std::string& text, std::size_t size) {
  text.reserve(size);
  advise_sequential_fill(text.data(), text.capacity());
}

std::size_t obtainable() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return limit.rlim_cur;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page <= 0) return SIZE_MAX;
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page);
}

}  // namespace varn::memory
