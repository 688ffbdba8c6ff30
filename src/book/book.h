// The opening book pellan.txt: a text file of games whose moves carry two-digit weights. It is
// loaded into a table of parsed moves and a normalised copy of the text, probed for the game
// position while the game follows it, and taught by the result of a game that used it.
#pragma once

#include <cstdint>

#include "board/types.h"

// One ply of a book game. Cells are mailbox cells 10 * (file + 1) + (rank + 1), a1 = 11.
struct BookMove {
    uint16_t ply;            // 1 for White's first move
    uint8_t from;            // 0 = no move (the game's moves end here)
    uint8_t to;              //
    uint8_t kind;            // 0 normal, 1 castling, 2 en passant, 3 promotion
    uint8_t promotion;       // engine letter of the promotion piece (D, T, F, C), 0 when none
    uint8_t weight;          // 0..99
    uint8_t mark;            // 1 when the token ended with "@"
    uint16_t whiteSignature; // sum of to^2 - from^2 over White's moves up to this ply (mod 2^16)
    uint16_t blackSignature; // the same over Black's moves
};

constexpr int BookGamePlies = 50;   // plies of a game kept in the move table
constexpr int BookGameEntries = 51; // entries per game: 50 plies and an end marker
constexpr int BookCapacityStep = 100;
constexpr int BookTextLimit = 5242880; // bytes read from the file and of the normalised text
constexpr int BookCandidateLimit = 20;

// --- Loaded book (load_book owns them; the probe and the update read them) ---
// Game g (1-based), ply p (1..50) is book_moves[(g - 1) * 51 + p - 1]; book_capacity games fit.
extern BookMove* book_moves;
extern int book_capacity;
extern int book_game_count; // games found by the last load
// The file normalised: every move followed by its weight "(ww) ", a line break after every
// fourth ply, tags on their own lines. The update edits the weights in place and writes it back.
extern char* book_text;
extern int book_text_length;
extern uint8_t book_truncated; // the last load did not read the whole book: it is never rewritten

// --- Settings (installed at start-up by install_book_settings) ---
extern const char* book_file_name;    // "pellan.txt" in the working directory (tests move it)
extern uint8_t book_default_weight;   // weight of a move written without one (30)
extern uint8_t book_first_match_only; // the probe stops at the first candidate (0)
extern uint8_t book_best_only;        // the probe keeps only the heaviest candidate (0)
extern uint8_t book_random;           // the probe chooses at random by weight; 0: the first (1)
extern uint8_t book_update_enabled;   // the book may learn from games (1)
extern uint8_t book_update_blocked;   // learning is held back (0)

// --- The book in the current game ---
extern int16_t last_book_ply; // ply of the last book move (book probe; the set-ups reset it)
extern uint8_t book_updated;  // the book update already ran in this game (book update)

// --- Results of the probe ---
extern MOVE book_move; // the root move chosen by the last successful probe
// A book move was played in this game (set by the probe, cleared by a new game's set-up).
extern uint8_t book_move_played;

// Installs the start-up settings and allocates room for 100 games; releases any loaded book.
void install_book_settings();
// Frees the move table and the text (quit).
void release_book();

// Reads the book file, normalises its text and parses its moves (parse_all 0 leaves the moves that
// carry a weight unparsed), then writes "<n> opening games loaded" or the warning of a book cut
// short. A missing or unreadable file reports the disk error and turns the Ownbook option off.
void load_book(uint8_t parse_all);

// Parses one move token of the current game (the last one found) at ply 1..50 against board, an
// English-letter mailbox of the game so far, writes its entry and plays it on board. A token that
// does not resolve leaves its entry without a move and the board unchanged.
void parse_book_move(int ply, const char* token, int weight, int8_t* board);

// Writes into out (8 bytes) up to 7 characters of token without spaces, "+", "#", "x" and "X",
// with "O" read as "o" and k, n, q, r in upper case ("b" stays: it may be a file).
void normalise_book_token(const char* token, char* out);

// The English-letter board of game g after its first plies (at most 50), stopping at the first
// entry without a move; returns the number of plies replayed.
int replay_book_game(int game, int plies, int8_t* board);

// Weighs n candidates for the random choice: their weights evened out around their average and
// mapped onto a steep curve that favours the heavier moves. Returns the total.
int book_choice_weights(const BookMove* candidates, int n, int* mapped);

// Looks the game position up in the book (transpositions within two plies of the game's ply) and
// chooses one of the moves the book games played next. True: book_move holds it (the caller
// reports "Book move found" and plays it, with no expected reply and score 0). False: the book is
// left for the rest of the game (use_book 0) and the leave message written.
bool probe_book();

// Resolves a move token on board (the English-letter mailbox of the position it is played in)
// for colour (+1 White, -1 Black): from, to, kind and promotion (engine letter) of the move it
// names go into move, the other fields are left alone. False when it names no move there. The
// same move is found whatever its text: "Nbd7", "N8d7", "Nd7" and "Nb8d7" alike.
bool resolve_book_token(const int8_t* board, const char* token, int colour, BookMove& move);

// Teaches the book the result of the game (+1 White won, -1 Black won, 0 otherwise): in every book
// game that follows the game from its first move (a book token agrees with the game's move when it
// names the same move on the game position of its ply, whatever its notation), the weights of the
// agreeing moves up to last_book_ply move 10 % toward 100 for the winner, 0 for the loser, 50 for a
// draw; the file is then replaced. Returns 0 on success, 1 when nothing was written (book cut
// short, file unreadable or not writable); the file on disk is then the old one, whole.
uint8_t update_book(int8_t result);

// The game loop's questions: has this game left the book after playing book moves, with the
// update allowed and not yet run? And the update with its messages, marking the game as done.
bool book_update_due();
void learn_from_game(int8_t result);
