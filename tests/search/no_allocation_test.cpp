// A search allocates nothing: every table it uses exists before it starts.
#include <cstdlib>
#include <new>
#include <string>

#include "search/search_fixture.h"

namespace {

// Counts the allocations made through operator new while counting is on.
bool counting = false;
long allocations = 0;

} // namespace

// These replacements pair malloc with free themselves; once inlined, g++ sees only the free of
// a pointer that came from operator new and warns, wrongly.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

TEST_F(SearchFixture, SearchesAllocateNothing) {
    // The counter sees an allocation when there is one.
    counting = true;
    std::string* text = new std::string(100, 'x');
    counting = false;
    delete text;
    EXPECT_GE(allocations, 1);

    const char* const positions[] = {
        "startpos",
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen 8/1P4k1/8/8/8/8/6p1/K7 w - - 0 1",
    };
    for (const char* position : positions) {
        ASSERT_TRUE(set_position(position));
        allocations = 0;
        counting = true;
        search(7);
        counting = false;
        EXPECT_EQ(allocations, 0) << position;
        EXPECT_NE(best(), 0u);
    }
}
