#include "shell/game_moves.h"

#include "board/draw_rules.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/move_table.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/root_moves.h"
#include "core/game_history.h"
#include "eval/prepare.h"
#include "search/hash_table.h"

namespace {

constexpr int FiftyMovePlies = 100;
constexpr int SlotsPerSide = 16;

} // namespace

bool play_game_move(MOVE m) {
    const int ply = GamePly + 1;
    if (!ensure_game_history(ply)) return false;
    GamePly = int16_t(ply);
    SearchNode& node = SearchNodes[0];
    const int from = move_from(m), to = move_to(m);

    GameHistoryEntry& entry = game_history[ply];
    entry.fromCell = uint8_t(mailbox_cell(from));
    entry.toCell = uint8_t(mailbox_cell(to));
    entry.specialKind = uint8_t(move_special(m) >> 14);
    entry.promotion = move_special(m) == MovePromotion ? TypeLetter[move_promotion_type(m)] : 0;
    entry.captured = TypeLetter[move_captured(m)];
    entry.moverSlot = Board[from].slot;

    makeMove(node, m);
    updateCastlingRights(node, m);
    node.side = SideToMove;
    node.opponent = uint8_t(1 - SideToMove);
    updateMoves(node, FullUpdate);

    entry.ply = uint16_t(ply);
    entry.moveNumber = uint16_t((ply + 1) / 2);
    entry.side = uint8_t(2 - ply % 2);
    entry.stateByte = node.EnPassantSquare;

    if (isIrreversible(m)) {
        LastIrreversiblePly = GamePly;
        PlyStates[0].lastIrreversible = uint16_t(GamePly);
    }
    const int index = GamePly - LastIrreversiblePly;
    if (index < KeyHistorySize) KeyHistory[index] = fullKey(0);
    return true;
}

void refresh_game_position() {
    prepare_evaluation();
    pawnHashProbe(SearchNodes[0]);
    build_root_moves();
}

void prepare_new_game_evaluation() {
    new_game_evaluation_tables();
    buildMoveSquareDelta();
    updateMoves(SearchNodes[0], FullUpdate);
}

int game_draw_status(MOVE last) {
    const int reversible = GamePly - LastIrreversiblePly;
    int status = reversible >= FiftyMovePlies ? 7 : 0;
    // A third occurrence of the position, the same side to move, since the last irreversible
    // move. Castling, en passant and promotions change what can follow: never a repetition.
    if (!isIrreversible(last) && move_special(last) == 0 && reversible >= 4 &&
        reversible < KeyHistorySize) {
        const KeyPair& now = KeyHistory[reversible];
        int earlier = 0;
        for (int i = reversible - 2; i >= 0; i -= 2) earlier += KeyHistory[i] == now;
        if (earlier >= 2) status = 6;
    }
    if (status == 0 && insufficientMaterial()) status = 8;
    return status;
}

void compact_piece_lists() {
    for (int colour = 0; colour < 2; ++colour) {
        const int first = SlotsPerSide * (1 - colour);
        int next = first;
        for (int slot = first; slot < first + SlotsPerSide; ++slot) {
            PieceEntry& piece = PieceList[slot];
            if (piece.letter == 0) continue;
            if (slot != next) {
                PieceList[next] = piece;
                PieceList[next].slot = uint8_t(next);
                BoardSquare& square = Board[piece.square];
                square.slot = uint8_t(next);
                square.piece = &PieceList[next];
                piece = PieceEntry{};
                piece.slot = uint8_t(slot);
                piece.moves = &moveRecord(slot, 0); // the empty slot keeps its own record
            }
            if (PieceList[next].letter == LetterKing) KingIndex[colour] = uint8_t(next);
            ++next;
        }
        LastPieceIndex[colour] = uint8_t(next - 1);
    }
    SearchNode& node = SearchNodes[0];
    node.side = SideToMove;
    node.opponent = uint8_t(1 - SideToMove);
    updateMoves(node, FullUpdate);
}
