// Memory for the large tables (transposition and pawn tables), on large pages where the system
// offers them: a table read at random addresses then needs far fewer address translations.
#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <malloc.h>
#else
#include <sys/mman.h>
#endif

namespace {

constexpr size_t LargePage = size_t(2) << 20;

} // namespace

void* platform_alloc_large(size_t bytes) {
    if (bytes == 0) return nullptr;
    const size_t rounded = (bytes + LargePage - 1) / LargePage * LargePage;
#ifdef _WIN32
    void* memory = _aligned_malloc(rounded, LargePage);
#else
    void* memory = std::aligned_alloc(LargePage, rounded);
#ifdef MADV_HUGEPAGE
    if (memory) madvise(memory, rounded, MADV_HUGEPAGE);
#endif
#endif
    // Writing every page now maps it: the first searches do not pay for it.
    if (memory) std::memset(memory, 0, rounded);
    return memory;
}

void platform_free_large(void* memory) {
#ifdef _WIN32
    _aligned_free(memory);
#else
    std::free(memory);
#endif
}
