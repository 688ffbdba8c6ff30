// The book probe: the moves that book games played from the game position, one chosen by weight.
#include "book/book.h"

#include <cstring>

#include "board/notation.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "core/output.h"
#include "core/random.h"
#include "core/settings.h"

namespace {

constexpr int TranspositionReach = 2; // plies either side of the game's ply
constexpr int LastProbedPly = BookGamePlies - 1;

const BookMove& entry(int game, int ply) {
    return book_moves[size_t(game - 1) * BookGameEntries + size_t(ply - 1)];
}

bool same_candidate(const BookMove& a, const BookMove& b) {
    return a.ply == b.ply && a.from == b.from && a.to == b.to && a.kind == b.kind &&
           a.promotion == b.promotion && a.weight == b.weight;
}

// The book games that reached the game position within two plies of the game's ply, and the
// moves they played next (at most 20, each different one once). Returns their count.
int gather_candidates(BookMove* candidates) {
    int count = 0;
    const int firstPly = GamePly - TranspositionReach > 1 ? GamePly - TranspositionReach : 1;
    const int lastPly =
        GamePly + TranspositionReach < LastProbedPly ? GamePly + TranspositionReach : LastProbedPly;
    int8_t board[MailboxSize];
    for (int game = 1; game <= book_game_count; ++game) {
        for (int ply = firstPly; ply <= lastPly; ++ply) {
            const BookMove& e = entry(game, ply);
            if (e.whiteSignature != game_white_signature ||
                e.blackSignature != game_black_signature)
                continue;
            // The signatures do not depend on the move order; the boards must be equal. A game
            // whose moves stop before this ply never reached it.
            if (replay_book_game(game, ply, board) != ply) continue;
            if (std::memcmp(board, game_book_board, MailboxSize) != 0) continue;
            const BookMove& next = entry(game, ply + 1);
            if (next.from == 0) continue;
            bool known = false;
            for (int i = 0; i < count && !known; ++i) known = same_candidate(candidates[i], next);
            if (known) continue;
            candidates[count++] = next;
            if (book_first_match_only || count == BookCandidateLimit) return count;
        }
    }
    return count;
}

// The curve that turns an evened-out weight (50 for an average move) into a share of the choice.
int map_weight(int w) {
    if (w < 20) return 1;
    if (w < 30) return 3 * w - 40;
    if (w < 40) return (w - 30) * 3 / 2 + 50;
    if (w < 50) return 80 * w - 3000;
    if (w < 60) return 50 * (w - 20);
    return 50 * (w - 10);
}

// The root move that plays the candidate: same from- and to-square (and promotion piece).
MOVE root_move_for(const BookMove& candidate) {
    for (int i = 0; i < RootMoveCapacity && root_moves[i] != 0; ++i) {
        const MOVE m = root_moves[i];
        if (mailbox_cell(move_from(m)) != candidate.from ||
            mailbox_cell(move_to(m)) != candidate.to)
            continue;
        if (candidate.kind == KindPromotion && move_special(m) == MovePromotion &&
            TypeLetter[move_promotion_type(m)] != candidate.promotion)
            continue;
        return m;
    }
    return 0;
}

bool leave_book() {
    use_book = 0;
    send_info("\nSortie de la bibliotheque d'ouverture\n\n");
    return false;
}

} // namespace

int replay_book_game(int game, int plies, int8_t* board) {
    englishStartMailbox(board);
    if (game < 1 || game > book_game_count) return 0;
    if (plies > BookGamePlies) plies = BookGamePlies;
    int ply = 1;
    for (; ply <= plies; ++ply) {
        const BookMove& e = entry(game, ply);
        if (e.from == 0 && e.to == 0) break;
        if (e.from >= MailboxSize || e.to >= MailboxSize) break;
        playMailboxMove(board, e.from, e.to, e.kind, e.promotion);
    }
    return ply - 1;
}

int book_choice_weights(const BookMove* candidates, int n, int* mapped) {
    if (n <= 0) return 0;
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        mapped[i] = candidates[i].weight;
        if (mapped[i] == 0) mapped[i] = 1;
        sum += mapped[i];
    }
    const int average = sum / n;
    int total = 0;
    for (int i = 0; i < n; ++i) {
        mapped[i] = map_weight(mapped[i] * 50 / average);
        total += mapped[i];
    }
    return total;
}

bool probe_book() {
    BookMove candidates[BookCandidateLimit];
    const int count =
        book_game_count > 0 && book_moves != nullptr ? gather_candidates(candidates) : 0;
    if (count == 0) return leave_book();

    int n = count;
    if (book_best_only) {
        int best = 0;
        for (int i = 1; i < n; ++i)
            if (candidates[i].weight > candidates[best].weight) best = i;
        candidates[0] = candidates[best];
        n = 1;
    }

    int chosen = 0;
    if (book_random) {
        int mapped[BookCandidateLimit];
        const int total = book_choice_weights(candidates, n, mapped);
        const int64_t draw = int64_t(random_draw()) * total / 32767;
        const int target = draw < total ? int(draw) : total;
        int running = 0;
        for (chosen = 0; chosen < n - 1; ++chosen) {
            running += mapped[chosen];
            if (running >= target) break;
        }
    }

    const MOVE move = root_move_for(candidates[chosen]);
    if (move == 0) return leave_book();
    book_move = move;
    book_move_played = 1;
    // The ply of the book move itself, in both modes: the engine's own last book move learns too.
    last_book_ply = int16_t(GamePly + 1);
    return true;
}
