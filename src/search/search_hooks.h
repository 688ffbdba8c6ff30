// The search's one way to the outside while it runs: the few calls it makes into the front ends,
// installed by the shell at start-up. The defaults do nothing, so the search runs alone (bench,
// tests) and a change to the dispatcher or the console cannot reach it.
#pragma once

struct SearchHooks {
    // UCI: takes the waiting input lines into the dispatcher in search context (stop, ponderhit,
    // isready, quit act at once; a command that needs the engine at rest ends the search).
    void (*take_input)();
    // Console, while the engine thinks on the opponent's time and a key waits: reads it (S lets
    // the player type a move or a command). True when the search must end now.
    bool (*ponder_key)();
    // Console tree display with a stop between nodes: waits for a key.
    void (*wait_for_key)();
};

// Owned by the search; written by the shell's start-up (and by tests that need the front ends).
extern SearchHooks search_hooks;
