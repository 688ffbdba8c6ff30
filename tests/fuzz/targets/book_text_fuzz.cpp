// libFuzzer program: an opening book (see fuzz_harness.h).
#include "fuzz/fuzz_harness.h"
#include "fuzz/targets/fuzz_entry.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    return fuzz_entry_initialize();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz_entry_result(fuzz_book_text(data, size));
}
