#include "eval/pawn_structure.h"

#include "board/geometry.h"
#include "board/position.h"

PawnFileEntry PawnFileInfo[2][8];
uint8_t PawnFront[2][8];

namespace {

// Bit of (file, rank), or 0 off the board.
Bitboard bit_at(int file, int rank) {
    if (file < 0 || file > 7 || rank < 0 || rank > 7) return 0;
    return square_bit(make_square(file, rank));
}

bool has_pawn(const PlyState& st, int colour, int file, int rank) {
    return (st.pawns[colour] & bit_at(file, rank)) != 0;
}

// Passed-pawn value by class (13, 14, 15), phase column (0, 1, 2 and 3) and relative rank 1..6.
constexpr int16_t PassedValue[3][3][6] = {
    {{5, 10, 15, 40, 60, 90}, {5, 10, 15, 40, 70, 100}, {20, 40, 80, 100, 140, 180}},
    {{5, 10, 15, 60, 90, 120}, {5, 10, 15, 60, 90, 120}, {20, 40, 80, 100, 140, 180}},
    {{5, 10, 15, 60, 90, 130}, {5, 10, 15, 60, 90, 130}, {20, 40, 60, 90, 130, 180}},
};
// Extra passer weight by file with pawns and kings only.
constexpr int16_t PasserFileBonus[8] = {20, 10, 5, 0, 0, 5, 10, 20};
// Weak-pawn penalty by count (3 and more share the last entry).
constexpr int16_t WeakPenalty[4] = {0, 10, 40, 80};

constexpr int at(char file, int rank) {
    return make_square(file - 'a', rank - 1);
}

// King-position and castling term of White, from White's view.
int white_castle_score(const PlyState& st) {
    const int king = st.kingSquare[White];
    const auto pawn = [&](char file, int rank) {
        return has_pawn(st, White, file - 'a', rank - 1);
    };
    switch (st.castlingRights[White]) {
    case 0: return -60;
    case 1: return -10;
    case 2: return -40;
    case CastledKingSide: {
        const bool sheltered = king == at('f', 1) || king == at('g', 1) || king == at('h', 1) ||
                               king == at('g', 2) || king == at('h', 2);
        if (!sheltered) return 10;
        if (pawn('h', 2)) return pawn('g', 2) ? 40 : pawn('g', 3) ? 30 : 0;
        return pawn('f', 2) && (pawn('g', 2) || pawn('g', 3)) ? 30 : 0;
    }
    case CastledQueenSide: {
        const bool wall =
            (pawn('a', 2) || pawn('a', 3)) && pawn('b', 2) && (pawn('c', 2) || pawn('c', 3));
        const bool sheltered = king == at('a', 1) || king == at('b', 1) || king == at('c', 1) ||
                               king == at('a', 2) || king == at('b', 2);
        return wall ? (sheltered ? 20 : 10) : 0;
    }
    default: return 0;
    }
}

// King-position and castling term of Black, from White's view.
int black_castle_score(const PlyState& st) {
    const int king = st.kingSquare[Black];
    const auto pawn = [&](char file, int rank) {
        return has_pawn(st, Black, file - 'a', rank - 1);
    };
    switch (st.castlingRights[Black]) {
    case 0: return 60;
    case 1: return 10;
    case 2: return 40;
    case CastledKingSide: {
        const bool sheltered = king == at('f', 8) || king == at('g', 8) || king == at('h', 8) ||
                               king == at('g', 7) || king == at('h', 7);
        if (!sheltered) return -10;
        if (pawn('h', 7)) return pawn('g', 7) ? -40 : pawn('g', 6) ? -30 : 0;
        if (pawn('h', 6)) return pawn('g', 7) || pawn('g', 6) ? -30 : pawn('g', 5) ? -15 : 0;
        return pawn('f', 7) && (pawn('g', 7) || pawn('g', 6)) ? -30 : 0;
    }
    case CastledQueenSide: {
        const bool wall =
            (pawn('a', 7) || pawn('a', 6)) && pawn('b', 7) && (pawn('c', 7) || pawn('c', 6));
        const bool sheltered = king == at('a', 8) || king == at('b', 8) || king == at('c', 8) ||
                               king == at('a', 7) || king == at('b', 7);
        return wall ? (sheltered ? -20 : -10) : 0;
    }
    default: return 0;
    }
}

// The castle term of a colour whose enemy has lost its queen: gone in phase 1, halved in 0.
int without_enemy_queen(int score, int phase) {
    return phase == 1 ? 0 : score / 2;
}

bool lines_may_open(uint8_t rights) {
    return rights == 0 || rights == CastledKingSide || rights == CastledQueenSide;
}

int shelter_lines(const PlyState& st, int colour) {
    return st.kingShelter[3 * colour] + st.kingShelter[3 * colour + 1] +
           st.kingShelter[3 * colour + 2];
}

// Front pawns and counts of both colours.
void collect_front_pawns() {
    for (int colour = 0; colour < 2; ++colour)
        for (int file = 0; file < 8; ++file) {
            PawnFileInfo[colour][file] = PawnFileEntry{};
            PawnFront[colour][file] = colour == White ? 0 : 7;
        }
    for (int colour = 0; colour < 2; ++colour) {
        for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
            const PieceEntry& piece = PieceList[slot];
            if (piece.letter != LetterPawn) continue;
            const int file = file_of(piece.square), rank = rank_of(piece.square);
            ++PawnFileInfo[colour][file].count;
            uint8_t& front = PawnFront[colour][file];
            if (colour == White ? rank > front : rank < front) front = uint8_t(rank);
        }
    }
}

// Neighbour file's front pawn lies behind (or there is none): the front pawn on rank cannot be
// covered by a pawn advancing from that file.
bool neighbour_behind(int colour, int file, int rank) {
    const int front = PawnFront[colour][file];
    if (colour == White) return front == 0 || front > rank;
    return front == 7 || front < rank;
}

// Opposition, passing, support and weakness of each file's front pawn; counts weak pawns.
void flag_files(const PlyState& st, int (&weakCount)[2]) {
    for (int colour = 0; colour < 2; ++colour) {
        const int enemy = 1 - colour, ahead = colour == White ? 1 : -1;
        for (int file = 0; file < 8; ++file) {
            PawnFileEntry& e = PawnFileInfo[colour][file];
            if (e.count == 0) continue;
            const int rank = PawnFront[colour][file];
            e.defended = has_pawn(st, colour, file - 1, rank - ahead) ||
                         has_pawn(st, colour, file + 1, rank - ahead);
            e.sideBySide =
                has_pawn(st, colour, file - 1, rank) || has_pawn(st, colour, file + 1, rank);
            if ((st.pawns[enemy] & PassedMask[colour * 64 + make_square(file, rank)]) == 0) {
                e.passed = 1;
                continue;
            }
            e.opposed = PawnFileInfo[enemy][file].count > 0;
            e.rammed = e.opposed && PawnFront[Black][file] == PawnFront[White][file] + 1;
            const bool onInnerFile = file >= 1 && file <= 6;
            const bool homeRank = rank == (colour == White ? 1 : 6);
            if (onInnerFile && !(e.defended && e.sideBySide) && !homeRank &&
                neighbour_behind(colour, file - 1, rank) &&
                neighbour_behind(colour, file + 1, rank))
                ++weakCount[colour];
        }
    }
}

// Class 0..15 of a colour's file (see PawnFileEntry).
uint8_t file_class(const PlyState& st, int colour, int file) {
    const PawnFileEntry& e = PawnFileInfo[colour][file];
    const int enemy = 1 - colour;
    if (e.count == 0) return PawnFileInfo[enemy][file].count > 0 ? 1 : 0;
    const int rank = PawnFront[colour][file];
    const int rr = colour == White ? rank : 7 - rank;
    if (e.passed) {
        const bool neighbourPassed = (file > 0 && PawnFileInfo[colour][file - 1].passed) ||
                                     (file < 7 && PawnFileInfo[colour][file + 1].passed);
        if (e.sideBySide && neighbourPassed) return 15;
        return e.defended ? 14 : 13;
    }
    if (e.opposed) {
        if (e.rammed) return e.defended ? 2 : (rr < 3 ? 4 : 3);
        if (e.sideBySide) return 5;
        if (!e.defended) return rr < 3 ? 8 : 7;
        return 6;
    }
    if (e.defended) return 9;
    if (e.sideBySide) return 10;
    // Unopposed, unsupported and alone: class 12 when an enemy pawn two ranks ahead on a
    // neighbouring file guards the square in front of it, so it cannot advance safely.
    const int ahead = colour == White ? 1 : -1;
    const bool stopGuarded = has_pawn(st, enemy, file - 1, rank + 2 * ahead) ||
                             has_pawn(st, enemy, file + 1, rank + 2 * ahead);
    return stopGuarded ? 12 : 11;
}

// Running sums of one colour's passed pawns.
struct PasserTotals {
    int sum = 0;
    int best = 0;
};

} // namespace

uint8_t pawn_file_mask() {
    uint8_t mask = 0;
    for (int file = 0; file < 8; ++file)
        if (PawnFileInfo[White][file].pawnClass == 0) mask |= uint8_t(1 << file);
    return mask;
}

void evaluate_pawns(SearchNode& node) {
    PlyState& st = *node.state;
    const int phase = st.phase;
    const int plies = GamePly + SearchPly;
    const bool oppositeWings = phase == 0 && st.kingWing[Black] + st.kingWing[White] == 12;
    int score = 0;
    int weakCount[2] = {0, 0};
    PasserTotals passers[2];

    st.castleScore[Black] = 0;
    st.castleScore[White] = 0;
    st.passedCount[Black] = 0;
    st.passedCount[White] = 0;
    st.topPasser[White] = 0;
    st.topPasser[Black] = 63;

    if (phase <= 1 && plies <= 60) {
        int white = white_castle_score(st), black = black_castle_score(st);
        if (st.queenLost[Black]) white = without_enemy_queen(white, phase);
        if (st.queenLost[White]) black = without_enemy_queen(black, phase);
        st.castleScore[White] = int16_t(white);
        st.castleScore[Black] = int16_t(black);
    }

    st.openLineDanger[White] = 0;
    st.openLineDanger[Black] = 0;
    if (lines_may_open(st.castlingRights[White]) && st.queenCount[Black] > 0) {
        const int k = shelter_lines(st, White);
        if (k > 0) st.openLineDanger[White] = int16_t(-10 * (k + 2));
    }
    if (lines_may_open(st.castlingRights[Black]) && st.queenCount[White] > 0) {
        const int k = shelter_lines(st, Black);
        if (k > 0) st.openLineDanger[Black] = int16_t(5 * (k + 4));
    }

    collect_front_pawns();
    flag_files(st, weakCount);
    for (int colour = 0; colour < 2; ++colour)
        for (int file = 0; file < 8; ++file)
            PawnFileInfo[colour][file].pawnClass = file_class(st, colour, file);

    const int passedColumn = phase == 0 ? 0 : phase == 1 ? 1 : 2;
    for (int colour = 0; colour < 2; ++colour) {
        const int s = colour_sign(colour), enemy = 1 - colour;
        const int ownKingFile = st.kingFile[colour], enemyKingFile = st.kingFile[enemy];
        // Kings on opposite wings with queens on: open and half-open files towards the enemy
        // king are worth more, pawn chains in the storm's way less.
        const bool wingPlay = oppositeWings && st.queenCount[colour] > 0;
        const bool stormKingSide = wingPlay && ownKingFile <= 2 && enemyKingFile >= 5;
        const bool stormQueenSide = wingPlay && ownKingFile >= 5 && enemyKingFile <= 2;
        PasserTotals& totals = passers[colour];

        for (int file = 0; file < 8; ++file) {
            const PawnFileEntry& e = PawnFileInfo[colour][file];
            const int rank = PawnFront[colour][file];
            const int rr = colour == White ? rank : 7 - rank;
            int value = 0; // for the colour; multiplied by s below
            switch (e.pawnClass) {
            case 0:
                if (stormKingSide) value = file == 6 ? 25 : file == 7 ? 35 : 0;
                if (stormQueenSide) value = file == 2 ? 17 : file == 1 ? 25 : file == 0 ? 35 : 0;
                break;
            case 1:
                if (phase == 0) value = 2;
                if (stormKingSide) value += file == 5 ? 10 : file == 6 ? 20 : file == 7 ? 25 : 0;
                if (stormQueenSide) value += file == 2 ? 10 : file == 1 ? 20 : file == 0 ? 25 : 0;
                break;
            case 3: value = phase == 0 ? -10 : -5; break;
            case 7: value = -4; break;
            case 8: value = -2; break;
            case 9:
            case 10:
                // Already signed: the rank for White, rank - 7 for Black.
                if (phase >= 1) score += colour == White ? rank : rank - 7;
                break;
            case 11: value = -6; break;
            case 12: value = phase == 0 ? -50 : -30; break;
            case 13:
            case 14:
            case 15: {
                const int index = rr < 1 ? 0 : rr > 6 ? 5 : rr - 1;
                const int v = PassedValue[e.pawnClass - 13][passedColumn][index];
                if (phase == 3) totals.sum += s * PasserFileBonus[file];
                totals.sum += s * v;
                if (s * totals.best < v) totals.best = s * v;
                ++st.passedCount[colour];
                const int sq = make_square(file, rank);
                const int top = rank_of(st.topPasser[colour]);
                if (colour == White ? rank > top : rank < top) st.topPasser[colour] = uint8_t(sq);
                break;
            }
            default: break;
            }
            if (e.pawnClass >= 2 && e.pawnClass <= 4 && phase == 0 &&
                ((stormKingSide && file >= 5) || (stormQueenSide && (file == 1 || file == 2))))
                value -= 5;
            if (e.count > 1) {
                value -= 12;
                if (PawnFileInfo[enemy][file].count == 0) {
                    if (!e.defended) value -= 10;
                    if (e.passed) value -= 70 * (e.count - 1);
                }
            }
            score += s * value;
        }
    }

    for (int colour = 0; colour < 2; ++colour) {
        const PasserTotals& t = passers[colour];
        const int count = st.passedCount[colour];
        score += count > 1 ? (t.sum - t.best) / count + t.best : t.sum;
    }

    if (phase == 2) {
        const int whiteKing = st.kingSquare[White], blackKing = st.kingSquare[Black];
        if (st.passedCount[White] > 0 && st.passedCount[Black] == 0) {
            const int q = st.topPasser[White] + 1;
            const int dW = StepCount[q * 64 + whiteKing], dB = StepCount[q * 64 + blackKing];
            score += dW < dB ? 270 - 10 * dW : 70 - 10 * (dW + dB);
        }
        // Black's race needs two passed pawns.
        if (st.passedCount[Black] >= 2 && st.passedCount[White] == 0) {
            const int q = st.topPasser[Black] - 1;
            const int dB = StepCount[q * 64 + blackKing], dW = StepCount[q * 64 + whiteKing];
            score -= dB < dW ? 270 - 10 * dB : 70 - 10 * (dB + dW);
        }
    }

    score -= WeakPenalty[weakCount[White] < 3 ? weakCount[White] : 3];
    score += WeakPenalty[weakCount[Black] < 3 ? weakCount[Black] : 3];
    st.pawnScore = int16_t(score);
}
