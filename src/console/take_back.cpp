#include "console/take_back.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "board/position.h"
#include "board/root_moves.h"
#include "book/book.h"
#include "console/key_input.h"
#include "core/game_history.h"
#include "core/settings.h"
#include "eval/evaluate.h"
#include "record/game_record.h"
#include "search/root_search.h"
#include "shell/game_moves.h"
#include "shell/think.h"

uint8_t take_back_chain = 0;
int32_t take_back_count = 0;

namespace {

constexpr int ScorePlies = 10; // plies of the game score shown after a take-back

// The legal move of the game position that a history record describes; 0 when none is.
MOVE recorded_move(const GameHistoryEntry& entry) {
    MOVE legal[RootMoveCapacity + 1];
    const int count = collectLegalMoves(legal, RootMoveCapacity);
    const int from = mailbox_square(entry.fromCell), to = mailbox_square(entry.toCell);
    for (int i = 0; i < count; ++i) {
        const MOVE m = legal[i];
        if (move_from(m) != from || move_to(m) != to) continue;
        if (move_special(m) == MovePromotion &&
            TypeLetter[move_promotion_type(m)] != entry.promotion)
            continue;
        return m;
    }
    return 0;
}

// The last plies of the game score: "1 e4 e5 2 Nf3 ..." from a move of White's, numbered as the
// game record numbers them. A game that Black began opens with "1 ..." in White's column.
void show_score_end() {
    if (GamePly == 0) std::printf("\n=>Debut de partie");
    const int blackFirst = white_to_move_at_start ? 0 : 1;
    const auto whiteMove = [blackFirst](int ply) { return (ply + blackFirst) % 2 == 1; };
    int first = GamePly - ScorePlies < 1 ? 1 : GamePly - ScorePlies;
    if (first > 1 && !whiteMove(first)) ++first;
    for (int ply = first; ply <= GamePly; ++ply) {
        const int number = start_move_number + (ply - 1 + blackFirst) / 2;
        if (whiteMove(ply))
            std::printf("\n%d ", number);
        else if (ply == first)
            std::printf("\n%d %6s ", number, "...");
        std::printf("%6s ", game_history[ply].text);
    }
    std::printf("\n");
}

} // namespace

bool replay_game(int plies) {
    const std::vector<GameHistoryEntry> kept(game_history + 1, game_history + 1 + plies);
    std::memcpy(SetupBoard, GameStartBoard, sizeof SetupBoard);
    const uint8_t side = white_to_move_at_start ? White : Black;
    SideToMove = side;
    if (!setupPosition(side, 0)) return false;
    for (int ply = 1; ply <= plies; ++ply) {
        const GameHistoryEntry& entry = kept[size_t(ply - 1)];
        const MOVE m = recorded_move(entry);
        if (m == 0 || !play_game_move(m)) return false;
        std::memcpy(game_history[ply].text, entry.text, sizeof entry.text);
        game_history[ply].status = entry.status;
    }
    return true;
}

void take_back() {
    take_back_count = 0;
    for (;;) {
        const int removed = GamePly;
        replay_game(removed - 1);
        show_score_end();
        ++take_back_count;
        std::printf("\n %d coup%s repris - %s", take_back_count, take_back_count > 1 ? "s" : "",
                    SideToMove == White ? "Blanc à jouer" : "Noir à jouer");
        take_back_chain = 0;
        if (GamePly > 0) {
            std::printf("\nFaut-il reprendre un autre coup (y/n) : ");
            take_back_chain = read_answer("ONY") != 'N';
        }
        game_history[removed] = GameHistoryEntry{};
        if (!take_back_chain) break;
    }

    compact_piece_lists();
    if (GamePly <= 2) prepare_new_game_evaluation();
    refresh_game_position();
    current_score = last_reported_score = int16_t(evaluate(SearchNodes[0]));
    if (last_book_ply > GamePly) last_book_ply = GamePly;
    // The game goes on: the record is rewritten as the running record, its moves appended after.
    game_file_handle =
        write_running_game_record(game_file_handle, game_file_name, game_history, GamePly);
    mode_char = 'C';
    std::fflush(stdout);
}
