#include "board/root_moves.h"

#include "board/legality.h"
#include "board/position.h"
#include "core/game_history.h"
#include "core/settings.h"

#include <cstring>
#include <initializer_list>

MOVE root_moves[RootMoveCapacity + 1];
char root_move_text[RootMoveCapacity][RootMoveTextSize];
int8_t game_book_board[MailboxSize];
uint16_t game_white_signature = 0;
uint16_t game_black_signature = 0;

namespace {

// The book is consulted only during the first 52 half-moves of a game from the standard start.
constexpr int BookPlyLimit = 53;

void replayBookBoard() {
    englishStartMailbox(game_book_board);
    uint16_t white = 0, black = 0;
    for (int ply = 1; ply <= GamePly && game_history != nullptr; ++ply) {
        const GameHistoryEntry& e = game_history[ply];
        const int from = e.fromCell, to = e.toCell;
        if (from == 0 || to == 0 || from >= MailboxSize || to >= MailboxSize) break;
        const uint16_t signature = uint16_t(to * to - from * from);
        if (ply % 2)
            white = uint16_t(white + signature);
        else
            black = uint16_t(black + signature);

        playMailboxMove(game_book_board, from, to, e.specialKind, e.promotion);
    }
    game_white_signature = white;
    game_black_signature = black;
}

int absolute(int v) {
    return v < 0 ? -v : v;
}

} // namespace

int collectLegalMoves(MOVE* moves, int capacity) {
    SearchNode& node = SearchNodes[0];
    const int side = SideToMove;
    const int king = KingIndex[side];
    int count = 0;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& piece = PieceList[slot];
        if (piece.letter == 0 || piece.moves == nullptr) continue;
        for (const MOVE* list : {piece.moves->quiet, piece.moves->captures}) {
            for (const MOVE* m = list; m != nullptr && *m != 0; ++m) {
                if (count >= capacity) return count;
                if (isLegal(node, slot, *m, king, LastGameMove) == 1) moves[count++] = *m;
            }
        }
    }
    return count;
}

void build_root_moves() {
    if (!(use_book && standard_start && GamePly < BookPlyLimit)) use_book = 0;
    if (use_book) replayBookBoard();

    std::memset(root_moves, 0, sizeof root_moves);
    std::memset(root_move_text, 0, sizeof root_move_text);
    const int count = collectLegalMoves(root_moves, RootMoveCapacity);

    if (!use_book) return;
    for (int i = 0; i < count; ++i) {
        const MOVE m = root_moves[i];
        const int from = mailbox_cell(move_from(m)), to = mailbox_cell(move_to(m));
        const int promotion = internalToEnglish(int8_t(TypeLetter[move_promotion_type(m)]));
        bookNotation(from, to, promotion, absolute(game_book_board[to]), move_special(m) >> 14,
                     absolute(game_book_board[from]), root_move_text[i], game_book_board);
    }
}

int findTypedMove(const char* text, int promotion, MOVE* move) {
    for (int i = 0; i < 4; ++i) {
        const char low = i % 2 ? '1' : 'A';
        if (text[i] < low || text[i] > low + 7) return TypedMoveMalformed;
    }
    const int from = make_square(text[0] - 'A', text[1] - '1');
    const int to = make_square(text[2] - 'A', text[3] - '1');
    if (Board[from].letter == 0 || Board[from].colour != SideToMove) return TypedMoveNotOwnPiece;
    for (int i = 0; i < RootMoveCapacity && root_moves[i] != 0; ++i) {
        const MOVE m = root_moves[i];
        if (move_from(m) != from || move_to(m) != to) continue;
        if (move_special(m) != MovePromotion) {
            *move = m;
            return TypedMoveFound;
        }
        if (promotion == 0) return TypedMoveNeedsPiece;
        if (TypeLetter[move_promotion_type(m)] == promotion) {
            *move = m;
            return TypedMoveFound;
        }
    }
    return TypedMoveNotLegal;
}
