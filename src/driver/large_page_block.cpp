#include "large_page_block.hpp"

#include <cstdint>
#include <sys/mman.h>

namespace zeplo {

void* large_page_block(std::size_t size) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const std::uintptr_t length = (size + kLargePage - 1) / kLargePage * kLargePage;
    // Mapped one large page longer, then trimmed to an aligned block.
    void* raw = ::mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = start + length + kLargePage;
    if (aligned > start) ::munmap(raw, aligned - start);
    if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    (void)::madvise(block, length, MADV_HUGEPAGE);
#endif
    return block;
}

}  // namespace zeplo
