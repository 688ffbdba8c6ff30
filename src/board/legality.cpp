#include "board/legality.h"

#include <cstdlib>

#include "board/geometry.h"
#include "board/make_move.h"
#include "board/position.h"

uint8_t QsearchNext = 0;

namespace {

// Does a pawn of the other colour at distance 1 along step attack a king of kingSign?
bool pawn_step_attacks(int kingSign, int step) {
    int seen = kingSign > 0 ? step : -step;
    return seen == -7 || seen == 9;
}

bool slider_matches(uint8_t pieceLetter, uint8_t letter) {
    return pieceLetter == letter || pieceLetter == LetterQueen;
}

bool is_slider_letter(uint8_t letter) {
    return letter == LetterBishop || letter == LetterRook || letter == LetterQueen;
}

int king_move_legality(SearchNode& node, MOVE m, int from, int to) {
    const PlyState& ps = *node.state;
    int side = node.side;
    if (move_special(m) == MoveCastling) {
        if (node.checkState) return Illegal;
        uint8_t rights = ps.castlingRights[side];
        if ((rights & (CastleKingSide | CastleQueenSide)) == 0) return Illegal;
        // Per target: the right it needs, the squares that must be empty, the square crossed.
        struct Castle {
            int target;
            uint8_t need;
            Bitboard between;
            int crossed;
        };
        static constexpr Castle castles[4] = {
            {SqC1, CastleQueenSide, 0x0000000001010100ULL, SqD1}, // b1, c1, d1
            {SqC8, CastleQueenSide, 0x0000000080808000ULL, SqD8}, // b8, c8, d8
            {SqG1, CastleKingSide, 0x0001010000000000ULL, SqF1},  // f1, g1
            {SqG8, CastleKingSide, 0x0080800000000000ULL, SqF8},  // f8, g8
        };
        const Castle* c = nullptr;
        for (const Castle& candidate : castles)
            if (candidate.target == to) c = &candidate;
        if (c == nullptr) return Illegal;
        uint8_t need = c->need;
        Bitboard between = c->between;
        int crossed = c->crossed;
        if ((rights & need) == 0 || (node.occupancy & between) != 0) return Illegal;
        if (node.enemyAttacks & square_bit(crossed)) return Illegal;
    }
    if (node.enemyAttacks & square_bit(to)) return Illegal;
    if (node.checkState == 0 || node.checkState == LetterKnight || node.checkState == LetterPawn)
        return Legal;
    for (PieceEntry* checker : node.checkers[side]) {
        if (checker == nullptr || !is_slider_letter(checker->letter)) continue;
        if (to - from == direction_step(checker->square, from)) return Illegal;
    }
    return Legal;
}

// The rank pin of an en-passant capture: king and enemy rook or queen on the capturing pawn's
// rank with only the two pawns between them.
bool en_passant_exposes_king(int from, int victim, int side) {
    uint8_t seen[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        int step = i == 0 ? 8 : -8;
        for (int sq = from + step; sq >= 0 && sq < 64; sq += step) {
            if (sq == victim || Board[sq].letter == 0) continue;
            const BoardSquare& b = Board[sq];
            if (b.colour == side && b.letter == LetterKing)
                seen[i] = 1;
            else if (b.colour != side && (b.letter == LetterRook || b.letter == LetterQueen))
                seen[i] = 2;
            break;
        }
    }
    return (seen[0] == 1 && seen[1] == 2) || (seen[0] == 2 && seen[1] == 1);
}

int en_passant_legality(const SearchNode& node, int from, int to, int king, MOVE last, bool ok) {
    int side = node.side, s = colour_sign(side);
    int victim = to - s;
    if (move_to(last) != victim || Board[victim].letter != LetterPawn ||
        move_mover(last) != TypePawn || std::abs(move_to(last) - move_from(last)) != 2)
        return Illegal;
    // The captured pawn may be the only piece between the king and an enemy bishop or queen.
    if ((node.state->diagonalCheckRays[side] & square_bit(victim)) &&
        sliderBehind(node, side, king, victim))
        return Illegal;
    if (rank_of(king) != rank_of(from)) return ok ? Legal : Illegal;
    if (en_passant_exposes_king(from, victim, side)) return Illegal;
    return ok ? Legal : Illegal;
}

} // namespace

void recordChecker(SearchNode& node, int colour, PieceEntry* checker, int step) {
    ++node.checkCount[colour];
    node.checkDirection[colour] = int8_t(step);
    if (node.checkers[colour][0] == nullptr || node.checkers[colour][0] == checker)
        node.checkers[colour][0] = checker;
    else
        node.checkers[colour][1] = checker;
}

void traceCheckRay(SearchNode& node, int kingSign, int king, uint8_t letter, int step) {
    PlyState& ps = *node.state;
    int colour = kingSign > 0 ? White : Black;
    int d = direction_of_step(step);
    Bitboard& target =
        letter == LetterBishop ? ps.diagonalCheckRays[colour] : ps.straightCheckRays[colour];
    target |= RayMask[king * 8 + d];
    Bitboard occupancy = node.occupancy;
    for (;;) {
        const int sq = nearest_on_ray(king, d, occupancy);
        if (sq < 0) return;
        const BoardSquare& b = Board[sq];
        if (b.colour == colour) {
            if (b.letter == LetterKing) { // the own king does not block its own rays
                occupancy &= ~square_bit(sq);
                continue;
            }
            target &= RayTruncate[sq * 8 + d];
            return;
        }
        target &= RayTruncate[sq * 8 + d];
        const bool adjacent = StepCount[king * 64 + sq] == 1;
        bool checks = slider_matches(b.letter, letter) ||
                      (adjacent && b.letter == LetterPawn && pawn_step_attacks(kingSign, step)) ||
                      (adjacent && b.letter == LetterKing);
        if (checks) recordChecker(node, colour, b.piece, step);
        return;
    }
}

bool sliderBehind(const SearchNode& node, int colour, int king, int square) {
    int step = direction_step(king, square);
    int d = direction_of_step(step);
    int sq = nearest_on_ray(square, d, occupiedSquares(*node.state));
    if (sq < 0) return false;
    const BoardSquare& b = Board[sq];
    if (b.colour == colour) return false;
    if (b.letter == LetterQueen) return true;
    if (b.letter == LetterBishop) return is_diagonal_step(step);
    if (b.letter == LetterRook) return !is_diagonal_step(step);
    return false;
}

int isLegal(SearchNode& node, int slot, MOVE m, int kingSlot, MOVE last) {
    int from = move_from(m), to = move_to(m);
    int result;
    if (slot == kingSlot) {
        result = king_move_legality(node, m, from, to);
    } else {
        const PlyState& ps = *node.state;
        int side = node.side, s = colour_sign(side);
        int king = PieceList[kingSlot].square;
        bool ok = true;
        if (node.checkState) {
            if (node.checkState == 2) return Illegal;
            ok = (node.evasionMask & square_bit(to)) != 0;
            if (!ok && move_special(m) == MoveEnPassant &&
                (node.evasionMask & square_bit(to - s)) != 0) {
                int d = side == White ? to - king - s : king - to + s;
                ok = d == -7 || d == 9;
            }
        }
        uint32_t bit = uint32_t(1) << slot;
        int moveStep = std::abs(direction_step(from, to));
        int lineStep = std::abs(direction_step(king, from));
        if ((node.pinnedCache & bit) && moveStep != lineStep) return IllegalPinned;
        if ((ps.allCheckRays[side] & square_bit(from)) && moveStep != lineStep &&
            sliderBehind(node, side, king, from)) {
            node.pinnedCache |= bit;
            return IllegalPinned;
        }
        if (move_special(m) != MoveEnPassant)
            result = ok ? Legal : Illegal;
        else
            result = en_passant_legality(node, from, to, king, last, ok);
    }
    if (result == Legal) node.hasLegalMove = 1;
    return result;
}

namespace {

// countRayAttacker over a given occupancy (every occupied square of the position).
void ray_attacker(SearchNode& node, int defenderSign, int square, uint8_t letter, int d,
                  Bitboard occupancy) {
    int colour = defenderSign > 0 ? White : Black;
    for (;;) {
        const int sq = nearest_on_ray(square, d, occupancy);
        if (sq < 0) return;
        const BoardSquare& b = Board[sq];
        if (b.colour == colour) {
            if (b.letter == LetterKing) { // the own king does not shield the square
                occupancy &= ~square_bit(sq);
                continue;
            }
            return;
        }
        const bool adjacent = StepCount[square * 64 + sq] == 1;
        if (slider_matches(b.letter, letter) ||
            (adjacent && b.letter == LetterPawn && pawn_step_attacks(defenderSign, Steps[d])) ||
            (adjacent && b.letter == LetterKing))
            ++node.attackerCount;
        return;
    }
}

} // namespace

void countRayAttacker(SearchNode& node, int defenderSign, int square, uint8_t letter, int step) {
    ray_attacker(node, defenderSign, square, letter, direction_of_step(step),
                 occupiedSquares(*node.state));
}

int countAttackers(SearchNode& node, int square, int colour) {
    const PlyState& s = *node.state;
    int sign = colour_sign(colour);
    // The own king does not shield the square; each line counts its nearest enemy piece.
    const Bitboard occupancy =
        occupiedSquares(s) & ~square_bit(PieceList[KingIndex[colour]].square);
    const Bitboard enemies = s.pawns[1 - colour] | s.pieces[1 - colour];
    int count = 0;
    for (int d = 0; d < 8; ++d) {
        const int sq = nearest_on_ray(square, d, occupancy);
        if (sq < 0 || (enemies & square_bit(sq)) == 0) continue;
        const uint8_t letter = Board[sq].letter;
        const bool adjacent = StepCount[square * 64 + sq] == 1;
        if (slider_matches(letter, (d & 1) ? LetterBishop : LetterRook) ||
            (adjacent && letter == LetterPawn && pawn_step_attacks(sign, Steps[d])) ||
            (adjacent && letter == LetterKing))
            ++count;
    }
    Bitboard knights = KnightAttacks[square] & enemies;
    while (knights)
        if (Board[pop_lowest_bit(knights)].letter == LetterKnight) ++count;
    node.attackerCount = uint8_t(count);
    return count;
}

bool kingAttacked(SearchNode& node, int colour) {
    return countAttackers(node, PieceList[KingIndex[colour]].square, colour) > 0;
}

bool givesCheckAfterMove(SearchNode& node, MOVE m, int king, int colour) {
    if (move_special(m) != 0) return countAttackers(node, king, colour) > 0;
    int from = move_from(m), to = move_to(m);
    int s = colour_sign(colour);
    node.attackerCount = 0;
    if ((CheckSquares[king] & square_bit(to)) == 0 && (QueenLines[king] & square_bit(from)) == 0)
        return false;
    if (QueenLines[king] & square_bit(from)) {
        int step = direction_step(king, from);
        countRayAttacker(node, s, king, is_diagonal_step(step) ? LetterBishop : LetterRook, step);
    }
    int toStep = direction_step(king, to);
    switch (move_mover(m)) {
    case TypeKnight:
        if (KnightAttacks[king] & square_bit(to)) ++node.attackerCount;
        break;
    case TypePawn:
        if (PawnAttacks[(1 - colour) * 64 + king] & square_bit(to)) ++node.attackerCount;
        break;
    case TypeRook:
        if (RookLines[king] & square_bit(to)) countRayAttacker(node, s, king, LetterRook, toStep);
        break;
    case TypeBishop:
        if (BishopLines[king] & square_bit(to))
            countRayAttacker(node, s, king, LetterBishop, toStep);
        break;
    case TypeQueen:
        if (QueenLines[king] & square_bit(to))
            countRayAttacker(node, s, king, is_diagonal_step(toStep) ? LetterBishop : LetterRook,
                             toStep);
        break;
    default: break;
    }
    return node.attackerCount > 0;
}

int givesCheck(SearchNode& node, MOVE m, int colour) {
    const PlyState& ps = *node.state;
    int from = move_from(m), to = move_to(m);
    int enemyKing = ps.kingSquare[1 - colour];
    if (!QsearchNext && node.pinCandidateFlag && PieceList[node.pinCandidateSlot].square == from) {
        uint8_t letter = node.pinCandidateLetter;
        if (letter != LetterKing && letter != LetterPawn) return 1;
        if (std::abs(direction_step(from, to)) != std::abs(direction_step(from, enemyKing)))
            return 1;
    }
    bool promotion = move_special(m) == MovePromotion;
    uint8_t letter = TypeLetter[promotion ? move_promotion_type(m) : move_mover(m)];
    Bitboard target = square_bit(to);
    Bitboard rays = 0;
    switch (letter) {
    case LetterKnight: return (KnightAttacks[enemyKing] & target) ? 1 : -1;
    case LetterPawn: return (PawnAttacks[colour * 64 + enemyKing] & target) ? 1 : -1;
    case LetterKing: return makeTestUnmake(node, m) ? 1 : -1;
    case LetterQueen: rays = ps.allCheckRays[1 - colour]; break;
    case LetterBishop: rays = ps.diagonalCheckRays[1 - colour]; break;
    case LetterRook: rays = ps.straightCheckRays[1 - colour]; break;
    default: return -1;
    }
    if (rays & target) return 1;
    // A promoting pawn no longer blocks the line it promotes onto: the piece then checks through
    // the square it left.
    if (promotion && (rays & square_bit(from)) &&
        direction_step(enemyKing, from) == direction_step(enemyKing, to))
        return 1;
    return -1;
}
