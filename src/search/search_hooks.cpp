#include "search/search_hooks.h"

namespace {

void take_no_input() {}
bool no_ponder_key() {
    return false;
}
void wait_for_no_key() {}

} // namespace

SearchHooks search_hooks = {take_no_input, no_ponder_key, wait_for_no_key};
