#include "eval/pawn_endgame.h"

#include <bit>

#include "board/position.h"
#include "eval/eval_helpers.h"
#include "eval/pawn_structure.h"

namespace {

using i16 = int16_t;
constexpr i16 w16(int x) {
    return static_cast<i16>(x);
}

constexpr Bitboard FileA = 0xFFULL;
constexpr Bitboard FileH = 0xFFULL << 56;

struct PawnRace {
    int best[2] = {99, 99};       // moves to promotion of the colour's best unstoppable passer
    int oneOutside[2] = {99, 99}; // a passer whose square the enemy king misses by one tempo
    bool found[2] = {false, false};
    int promo[2] = {0, 0};
};

// Passed pawns that the enemy king cannot catch, by the rule of the square.
void find_unstoppable(const PlyState& st, PawnRace& race) {
    for (int c = 0; c < 2; ++c) {
        const int ownKing = st.kingSquare[c], enemyKing = st.kingSquare[1 - c];
        const bool toMove = SideToMove == c;
        for (int f = 0; f < 8; ++f) {
            int cls = PawnFileInfo[c][f].pawnClass;
            if (cls < 13 || cls > 15) continue;
            int rank = PawnFront[c][f];
            int pawn = make_square(f, rank);
            int dp = c == White ? 7 - rank : rank;
            int q = make_square(f, c == White ? 7 : 0);
            int dE = square_distance(enemyKing, q), dO = square_distance(ownKing, q);
            if (!toMove) {
                if (dE - 1 == dp && dp < race.oneOutside[c]) race.oneOutside[c] = dp;
                dE -= 1;
            } else {
                dO -= 1;
            }
            bool unstoppable =
                dp < dE || (dO < dE && square_distance(ownKing, pawn) - (toMove ? 1 : 0) <
                                           square_distance(enemyKing, pawn));
            if (unstoppable && dp < race.best[c]) {
                race.best[c] = dp;
                race.found[c] = true;
                race.promo[c] = q;
            }
        }
    }
}

// Race term: (moves + 18) * 20 for the side that queens first with effect, 0 when none does.
int race_term(PawnRace& race) {
    int winner = -1;
    if (race.found[White] != race.found[Black]) {
        winner = race.found[White] ? White : Black;
    } else if (race.found[White]) {
        for (int c = 0; c < 2; ++c) {
            if (race.oneOutside[c] < race.best[c]) race.best[c] -= 1;
        }
        int d = abs_of(race.best[White] - race.best[Black]);
        if (d >= 2) {
            winner = race.best[White] < race.best[Black] ? White : Black;
        } else if (d == 1) {
            int fast = race.best[White] < race.best[Black] ? White : Black;
            if (SideToMove == fast || queen_sees(fast, race.promo[fast], race.promo[1 - fast]))
                winner = fast;
        } else if (queen_sees(SideToMove, race.promo[SideToMove], race.promo[1 - SideToMove])) {
            winner = SideToMove;
        }
    }
    return winner < 0 ? 0 : colour_sign(winner) * (race.best[winner] + 18) * 20;
}

// King and one pawn (not a rook pawn) against king. Sets kpk, or returns true with the
// position declared drawn.
bool king_pawn_against_king(const PlyState& st, int strong, bool strongHasOpposition, int& kpk) {
    const int s = colour_sign(strong), weak = 1 - strong;
    const int pawn = std::countr_zero(st.pawns[strong]);
    const int q = make_square(file_of(pawn), strong == White ? 7 : 0);
    const int sK = st.kingSquare[strong], wK = st.kingSquare[weak];
    const bool strongToMove = SideToMove == strong;
    const int sTempo = strongToMove ? 1 : 0, wTempo = strongToMove ? 0 : 1;
    const int pawnToQ = square_distance(pawn, q) - sTempo;
    const int wKToQ = square_distance(wK, q) - wTempo, wKToP = square_distance(wK, pawn) - wTempo;
    const int sKToQ = square_distance(sK, q) - sTempo, sKToP = square_distance(sK, pawn) - sTempo;
    kpk = 0;
    if (pawnToQ < wKToQ - 1) {
        kpk = 330 * s;
        return false;
    }
    if (wKToP < sKToP) return true;
    if (sKToQ < wKToQ) {
        kpk = 330 * s;
        return false;
    }
    const int sKr = rank_of(sK), wKr = rank_of(wK), pr = rank_of(pawn);
    if ((sKr - pr) * s < 0) return true; // the king behind its pawn
    if (sKr != pr) {
        bool farAdvanced = strong == White ? sKr >= 5 : sKr <= 2;
        if (farAdvanced) return false;
        return !strongHasOpposition && abs_of(sKr - wKr) >= 2 && abs_of(sKr - pr) <= 1 &&
               wKToQ < sKToQ;
    }
    const int k = abs_of(sKr - wKr);
    const bool weakToMove = !strongToMove;
    const bool oddFiles = (abs_of(file_of(sK) - file_of(wK)) & 1) != 0;
    if (k < 4 || (k == 4 && (weakToMove || oddFiles || !strongHasOpposition)) ||
        (k == 5 && weakToMove))
        return true;
    kpk = 330 * s;
    return false;
}

// Rank of colour's most advanced pawn on the file.
int front_rank(Bitboard pawns, int colour, int file) {
    uint8_t column = uint8_t(pawns >> (8 * file));
    return colour == White ? 7 - std::countl_zero(column) : std::countr_zero(column);
}

// Draws of a rook pawn (or rook pawns) against the bare king standing in front of it.
i16 rook_pawn_draws(const PlyState& st, int strong, i16 score, i16 drawValue) {
    const int s = colour_sign(strong), weak = 1 - strong;
    const Bitboard own = st.pawns[strong];
    const int wKf = st.kingFile[weak], wKr = st.kingRank[weak];
    const int sKf = st.kingFile[strong], sKr = st.kingRank[strong];
    const int seventh = strong == White ? 6 : 1;
    i16 result = score;
    if (own & FileA) {
        if (st.pawnCount[strong] >= 2 && (own & ~FileA)) return score;
        int front = front_rank(own, strong, 0);
        bool inFront = (wKr - front) * s > 0;
        if (wKf <= 1 && inFront) result = drawValue;
        if (wKf <= 2 && sKf == 0 && (inFront || wKr == seventh)) result = drawValue;
        if (wKf == 2 && (wKr - sKr) * s >= 2 && (wKr - front) * s >= 2) result = drawValue;
    }
    if (own & FileH) {
        if (st.pawnCount[strong] >= 2 && (own & ~FileH)) return result;
        int front = front_rank(own, strong, 7);
        bool inFront = (wKr - front) * s > 0;
        if (wKf >= 6 && inFront) return drawValue;
        if (wKf >= 5 && sKf == 7 && (inFront || wKr == seventh)) return drawValue;
        if (wKf == 5 && (wKr - sKr) * s >= 2 && (wKr - front) * s >= 2) return drawValue;
    }
    return result;
}

} // namespace

bool queen_sees(int colour, int a, int b) {
    static constexpr int8_t Steps[8][2] = {{0, 1}, {0, -1}, {1, 0},  {-1, 0},
                                           {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    const int enemyKing = PieceList[KingIndex[1 - colour]].square;
    for (const auto& step : Steps) {
        const bool alongRank = step[1] == 0;
        int f = file_of(a), r = rank_of(a);
        for (int n = 0; n < 7; ++n) {
            f += step[0];
            r += step[1];
            if (f < 0 || f > 7 || r < 0 || r > 7) break;
            int x = make_square(f, r);
            if (x == enemyKing || (x == b && !alongRank)) return true;
            if (Board[x].letter != 0) break;
        }
    }
    return false;
}

int16_t evaluate_pawn_endgame(SearchNode& node) {
    // The per-file tables are shared by every pawn evaluation: bring them and the summary up
    // to this position before reading them.
    evaluate_pawns(node);
    return score_pawn_endgame(node);
}

int16_t score_pawn_endgame(SearchNode& node) {
    const PlyState& st = *node.state;
    const i16 ka = king_activity(node);
    const int wP = st.pawnCount[White], bP = st.pawnCount[Black];
    if (wP + bP == 0) return 0;

    const int m = st.material;
    const int strong = m > 0 ? White : (m < 0 ? Black : 1 - SideToMove);
    const int weak = 1 - strong, s = colour_sign(strong);
    const i16 drawValue = wP > bP ? 10 : (bP > wP ? -10 : 0);
    int pawnBonus = 0;
    if (wP > bP) {
        if (st.pawnScore > 0 || m >= 200)
            pawnBonus = (wP >= 3 || bP == 0) ? 200 : (wP == 2 ? 50 : 0);
    } else if (bP > wP) {
        pawnBonus = (bP >= 3 || wP == 0) ? -200 : (bP == 2 ? -50 : 0);
    }
    const int wK = st.kingSquare[White], bK = st.kingSquare[Black];
    const bool evenGap =
        ((file_of(wK) - file_of(bK)) & 1) == 0 && ((rank_of(wK) - rank_of(bK)) & 1) == 0;
    const bool strongToMove = SideToMove == strong;
    const bool strongHasOpposition = evenGap ? !strongToMove : strongToMove;
    const int oppBonus = strongHasOpposition ? s : -s;

    PawnRace race;
    find_unstoppable(st, race);
    const int raceTerm = race_term(race);

    int passers = 0, kpk = 0;
    if (abs_of(raceTerm) < 200) {
        if (st.passedCount[White] >= 2) passers += 200;
        if (st.passedCount[Black] >= 2) passers -= 200;
        if (st.pawnCount[strong] == 1 && st.pawnCount[weak] == 0 &&
            !(st.pawns[strong] & (FileA | FileH)) &&
            king_pawn_against_king(st, strong, strongHasOpposition, kpk))
            return drawValue;
    }

    i16 score = w16(st.squareValueTotal / 30 + st.pawnScore - s * root_king_distance + m +
                    pawnBonus + passers + oppBonus + kpk + raceTerm + ka);
    if (st.pawnCount[strong] > 0 && st.pawnCount[weak] == 0)
        score = rook_pawn_draws(st, strong, score, drawValue);
    return score;
}
