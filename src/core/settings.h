// Game settings shared by several subsystems. Each is set by the start-up defaults, the UCI
// dispatcher, the position command or the console questionnaire, as noted.
#pragma once

#include <cstdint>

extern const char* const engine_version; // "Talvor 2.60a"

extern uint8_t uci_mode;               // the engine speaks UCI (mode selection)
extern uint8_t console_mode;           // the engine runs the console dialogue (mode selection)
extern uint8_t use_book;               // the opening book is in use for this game (set-up, book)
extern uint8_t own_book_option;        // Ownbook option (dispatcher)
extern uint8_t standard_start;         // the game began from the standard position (set-up words)
extern uint8_t white_to_move_at_start; // side to move of the set-up position (set-up words)
extern int8_t max_depth;               // deepest search ply (start-up, "go mate")
// Set by the UCI dispatcher (the mode also by the game loop and the console, pondering also by
// the questionnaire).
extern uint8_t mode_char;        // 'A' both, 'B' engine white, 'N' engine black, 'C' control
extern uint8_t sound;            // BEL before moves and messages
extern uint8_t ponder_enabled;   // Ponder option / console answer
extern uint8_t ponder_available; // the engine can ponder (1)

// Console options answered in the questionnaire; cleared by each of its passes.
extern uint8_t display_tree;       // the search tree is shown: iteration lines only when forced
extern uint8_t stop_between_nodes; // every tree display waits for a key
extern uint8_t stop_at_level_1;    // "Stop when back to level 1" (kept, no effect)
extern int8_t move_credit_play;    // seconds the operator needs to play the engine's move (2 / 0)
extern int8_t move_credit_input;   // seconds the operator needs to type a move (6 / 0)
