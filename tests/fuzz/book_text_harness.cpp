// An opening book loaded, followed by a game from the start position, and taught its result.
#include "fuzz/fuzz_harness.h"

#include <string>

#include "board/notation.h"
#include "board/root_moves.h"
#include "book/book.h"
#include "core/settings.h"
#include "fuzz/harness_support.h"
#include "record/game_record.h"
#include "shell/game_moves.h"
#include "uci/dispatcher.h"

namespace {

constexpr int BookPliesFollowed = 12;

// The first move of the game, as the opponent (or the engine's random first move) plays it: the
// first move of the first book game when it is a legal move, else e2e4.
MOVE first_move() {
    const BookMove* first = book_moves != nullptr && book_game_count > 0 ? &book_moves[0] : nullptr;
    MOVE fallback = 0;
    for (int i = 0; i < RootMoveCapacity && root_moves[i] != 0; ++i) {
        const MOVE m = root_moves[i];
        const int from = mailbox_cell(move_from(m)), to = mailbox_cell(move_to(m));
        if (first != nullptr && first->from == from && first->to == to) return m;
        if (move_from(m) == make_square(4, 1) && move_to(m) == make_square(4, 3)) fallback = m;
    }
    return fallback;
}

} // namespace

const char* fuzz_book_text(const uint8_t* data, size_t size) {
    fuzz_fresh_engine();
    static const std::string path = fuzz_scratch_path("pellan.txt");
    if (!fuzz_write_file(path, data, size)) return nullptr;
    install_book_settings();
    book_file_name = path.c_str();
    load_book(1);

    // After the first move the engine plays the book's moves, as the think step does while the
    // book has the game position.
    use_book = own_book_option;
    const MOVE first = first_move();
    if (first == 0 || !play_game_move(first)) return nullptr;
    append_game_move(0);
    refresh_game_position();
    for (int ply = 0; ply < BookPliesFollowed && use_book; ++ply) {
        if (!probe_book()) break;
        if (!play_game_move(book_move)) break;
        append_game_move(0);
        refresh_game_position();
    }
    // The game left the book or ended: the book learns from it, rewriting the file, and the
    // rewritten book is loaded as the next start-up loads it.
    if (book_move_played) {
        learn_from_game(1);
        load_book(1);
    }
    return nullptr;
}
