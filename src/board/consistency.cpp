#include "board/consistency.h"

#include <cstdlib>

#include "board/keys.h"
#include "board/position.h"

namespace {

const char* check_links() {
    int referenced[64] = {};
    for (int slot = 0; slot < 32; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.slot != slot) return "entry slot number";
        if (e.letter == 0) continue;
        if ((slot < 16) != (e.colour == White)) return "piece in the other colour's slots";
        if (e.square > 63 || e.file != file_of(e.square) || e.rank != rank_of(e.square))
            return "entry square, file or rank";
        const BoardSquare& b = Board[e.square];
        if (b.slot != slot || b.piece != &e || b.letter != e.letter || b.sign != e.sign ||
            b.colour != e.colour)
            return "board square does not reference its piece";
        if (b.absValue != uint32_t(std::abs(e.value))) return "board square value";
        int type = letter_type(e.letter);
        if (type == 0 || e.sign != colour_sign(e.colour)) return "entry letter or sign";
        if (e.value != e.sign * PieceValue[type] || e.kind != piece_kind(type, e.colour))
            return "entry value or kind";
        const KeyPair& k = PieceSquareKeys[e.kind * 64 + e.square];
        if (e.key32 != k.key32 || e.key64 != k.key64) return "entry keys";
        ++referenced[e.square];
    }
    for (int sq = 0; sq < 64; ++sq) {
        const BoardSquare& b = Board[sq];
        if (b.square != sq || b.file != file_of(sq) || b.rank != rank_of(sq))
            return "square constants";
        if (b.letter == 0) {
            if (b.sign != 0 || b.colour != NoColour || b.slot != EmptySlot || b.absValue != 0 ||
                b.piece != &EmptyPieceEntry)
                return "empty square record";
        } else if (referenced[sq] != 1) {
            return "occupied square without exactly one live piece";
        }
    }
    return nullptr;
}

bool holds(int square, uint8_t letter, int colour) {
    return Board[square].letter == letter && Board[square].colour == colour;
}

// A right still held needs the king on its home square and the rook in its corner.
const char* check_castling_rights(const PlyState& s) {
    for (int c = 0; c < 2; ++c) {
        uint8_t rights = s.castlingRights[c];
        if (rights > 3 && rights != CastledKingSide && rights != CastledQueenSide)
            return "castling rights byte";
        if (rights == 0 || rights > 3) continue;
        bool white = c == White;
        if (!holds(white ? SqE1 : SqE8, LetterKing, c)) return "castling right without the king";
        if ((rights & CastleKingSide) && !holds(white ? SqH1 : SqH8, LetterRook, c))
            return "king-side right without the rook";
        if ((rights & CastleQueenSide) && !holds(white ? SqA1 : SqA8, LetterRook, c))
            return "queen-side right without the rook";
    }
    return nullptr;
}

const char* check_state(const PlyState& s) {
    PlyState r{};
    for (const PieceEntry& e : PieceList) {
        if (e.letter == 0) continue;
        int c = e.colour;
        r.material = int16_t(r.material + e.value);
        (e.letter == LetterPawn ? r.pawns[c] : r.pieces[c]) |= square_bit(e.square);
        switch (e.letter) {
        case LetterPawn: ++r.pawnCount[c]; break;
        case LetterKnight: ++r.knightCount[c]; break;
        case LetterBishop: ++r.bishopCount[c]; break;
        case LetterRook: ++r.rookCount[c]; break;
        case LetterQueen: ++r.queenCount[c]; break;
        default: break;
        }
        if (e.letter != LetterPawn && e.letter != LetterKing)
            r.nonPawnMaterial[c] = uint16_t(r.nonPawnMaterial[c] + std::abs(e.value));
    }
    if (r.material != s.material) return "material";
    recomputePieceKeys(r);
    if (r.key32 != s.key32 || r.key64 != s.key64) return "position key";
    if (r.pawnKey32 != s.pawnKey32 || r.pawnKey64 != s.pawnKey64) return "pawn key";
    for (int c = 0; c < 2; ++c) {
        if (r.pawns[c] != s.pawns[c] || r.pieces[c] != s.pieces[c]) return "bitboards";
        if (r.nonPawnMaterial[c] != s.nonPawnMaterial[c]) return "non-pawn material";
        if (r.pawnCount[c] != s.pawnCount[c] || r.knightCount[c] != s.knightCount[c] ||
            r.bishopCount[c] != s.bishopCount[c] || r.rookCount[c] != s.rookCount[c] ||
            r.queenCount[c] != s.queenCount[c])
            return "piece counts";
        const PieceEntry& king = PieceList[KingIndex[c]];
        if (king.letter == LetterKing && (s.kingSquare[c] != king.square ||
                                          s.kingFile[c] != king.file || s.kingRank[c] != king.rank))
            return "king square";
        if (s.queenCount[c] == 0 ? s.queenSquare[c] != 255
                                 : (Board[s.queenSquare[c] & 63].letter != LetterQueen ||
                                    Board[s.queenSquare[c] & 63].colour != c))
            return "queen square";
    }
    if ((s.pawns[0] | s.pieces[0]) & (s.pawns[1] | s.pieces[1])) return "colours overlap";
    if (const char* fault = check_castling_rights(s)) return fault;
    if (s.phase != gamePhase(s)) return "phase";
    return nullptr;
}

} // namespace

const char* positionInconsistency(const SearchNode& node) {
    if (const char* fault = check_links()) return fault;
    return check_state(*node.state);
}
