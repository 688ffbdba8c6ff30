#include "eval/evaluate.h"

#include "board/geometry.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/endgame.h"
#include "eval/eval_helpers.h"
#include "eval/eval_tables.h"
#include "eval/pawn_endgame.h"

namespace {

using i16 = int16_t;

// Every sum of the evaluation is kept in 16 bits: wrap before any shift, division or comparison.
constexpr i16 w16(int x) {
    return static_cast<i16>(x);
}

// "d3" -> square index.
constexpr int sq(const char* name) {
    return make_square(name[0] - 'a', name[1] - '1');
}

bool holds(int square, uint8_t letter, int colour) {
    return Board[square].letter == letter && Board[square].colour == colour;
}

// Weight of the mobility sum by game progress: 50 at the first ply rising to 100 at ply 40.
int mobility_weight(int n) {
    return n <= 40 ? PhaseFactor[n] : 100;
}

i16 bishop_pair(const PlyState& st) {
    int bp = 0;
    if (st.bishopCount[Black] == 2 && st.bishopCount[White] == 0)
        bp = (st.knightCount[White] == 0 || st.knightCount[White] == 2) ? -40 : -10;
    if (st.bishopCount[White] == 2 && st.bishopCount[Black] == 0)
        bp += (st.knightCount[Black] == 0 || st.knightCount[Black] == 2) ? 40 : 10;
    return w16(bp);
}

// The check state the generation pass gives the current position: 0, the letter of the one
// piece that checks the side to move, or 2 when two pieces check it.
uint8_t check_state_on_board(const PlyState& st) {
    const int enemy = 1 - SideToMove;
    const Bitboard king = square_bit(st.kingSquare[SideToMove]);
    const Bitboard occupied = occupiedSquares(st);
    uint8_t state = 0;
    for (int slot = 16 * (1 - enemy); slot <= LastPieceIndex[enemy]; ++slot) {
        const PieceEntry& p = PieceList[slot];
        if (p.letter == 0 || p.letter == LetterKing) continue;
        if ((pieceAttacks(p.letter, enemy, p.square, occupied) & king) == 0) continue;
        if (state != 0) return 2;
        state = p.letter;
    }
    return state;
}

// Was the side to move at node checked by a bishop alone? A node whose moves are not generated
// yet holds another position's check state: the board is read instead.
bool checked_by_bishop(const SearchNode& node) {
    const uint8_t state =
        node.attackMapsValid ? node.checkState : check_state_on_board(*node.state);
    return state == LetterBishop;
}

// Cost of a bishop caught on bishopSquare behind enemy pawns: only when it went there in the
// current line; cheaper when that move gave check.
int trapped_bishop_cost(int bishopSquare) {
    for (int k = 1; k < SearchPly; ++k) {
        if (move_to(MoveAtPly[k]) == bishopSquare)
            return checked_by_bishop(SearchNodes[k + 1]) ? 30 : 100;
    }
    return 0;
}

int opening_patterns() {
    int adj = 0;
    if (holds(sq("d3"), LetterBishop, White) && holds(sq("d2"), LetterPawn, White)) adj -= 30;
    if (holds(sq("d6"), LetterBishop, Black) && holds(sq("d7"), LetterPawn, Black)) adj += 30;
    if (holds(sq("a7"), LetterBishop, White) && holds(sq("c7"), LetterPawn, Black) &&
        (holds(sq("b7"), LetterPawn, Black) || holds(sq("b6"), LetterPawn, Black)))
        adj -= trapped_bishop_cost(sq("a7"));
    if (holds(sq("h7"), LetterBishop, White) && holds(sq("f7"), LetterPawn, Black) &&
        (holds(sq("g7"), LetterPawn, Black) || holds(sq("g6"), LetterPawn, Black)))
        adj -= trapped_bishop_cost(sq("h7"));
    if (holds(sq("h2"), LetterBishop, Black) && holds(sq("f2"), LetterPawn, White) &&
        (holds(sq("g2"), LetterPawn, White) || holds(sq("g3"), LetterPawn, White)))
        adj += trapped_bishop_cost(sq("h2"));
    if (holds(sq("a2"), LetterBishop, Black) && holds(sq("c2"), LetterPawn, White) &&
        (holds(sq("b2"), LetterPawn, White) || holds(sq("b3"), LetterPawn, White)))
        adj += trapped_bishop_cost(sq("a2"));
    return adj;
}

// Development lead of the side with fewer undeveloped pieces. placementTotal sums flags of
// 255 and 254 per piece (-1 and -2 as signed bytes), so it is read as a signed byte.
i16 development_lead(const PlyState& st) {
    static constexpr int8_t Bonus[11] = {0, 0, 10, 20, 30, 40, 50, 60, 65, 70, 75};
    int d = int8_t(st.placementTotal[White]) - int8_t(st.placementTotal[Black]);
    if (d == 0) return 0;
    int leader = d > 0 ? 1 : -1;
    int lead = abs_of(d) + (colour_sign(SideToMove) == leader ? 1 : 0);
    i16 dl = w16(leader * (lead >= 11 ? 80 : Bonus[lead]));
    if (leader == root_side) dl = w16(dl >> 1);
    return dl;
}

// Free path of the most advanced passer one square (step) at a time: value of the two squares
// in front by who attacks them, nothing when an enemy piece blocks.
int path_value(int pawn, int step, Bitboard own, Bitboard enemy, Bitboard enemyPieces,
               int enemyColour) {
    int s1 = pawn + step;
    int t = (enemy & square_bit(s1)) ? 0 : 20;
    if (own & square_bit(s1)) t += 10;
    if (rank_of(s1) != (step > 0 ? 7 : 0)) {
        int s2 = s1 + step;
        if (!(enemy & square_bit(s2))) t += 20;
        if (own & square_bit(s2)) t += 10;
        t >>= 1;
        if (enemyPieces & square_bit(s2)) t = 0;
    }
    if (Board[s1].colour == enemyColour) t = 0;
    return t;
}

i16 free_path(const SearchNode& node, const PlyState& st) {
    if (!node.attackMapsValid || (st.phase != 1 && st.phase != 2)) return 0;
    Bitboard byWhite = attacked_by(node, White, SideToMove);
    Bitboard byBlack = attacked_by(node, Black, SideToMove);
    int fp = 0;
    if (st.passedCount[White] > 0 && st.passedCount[Black] == 0 &&
        rank_of(st.topPasser[White]) >= 5) {
        fp = path_value(st.topPasser[White], 1, byWhite, byBlack, st.pieces[Black], Black);
    } else if (st.passedCount[Black] > 0 && st.passedCount[White] == 0 &&
               rank_of(st.topPasser[Black]) <= 2) {
        fp = -path_value(st.topPasser[Black], -1, byBlack, byWhite, st.pieces[White], White);
    }
    i16 r = w16(fp);
    return st.phase == 1 ? w16(r + (r >> 1)) : w16(2 * r);
}

// Incentives to trade when ahead and to keep pieces when behind, against the root position.
// When the trailing side has queened since the root, the lead is read as 200 whatever the
// material: adj is set so that material plus pawn score plus adj is that, and balanceSet tells
// the caller that the balance is already decided.
int trade_down(const PlyState& c, int adj, bool& balanceSet) {
    const PlyState& r = PlyStates[0];
    if (abs_of(r.material) >= 100) {
        if (r.material > 0 && c.material >= 100 && c.queenCount[Black] >= 1)
            adj -= 20;
        else if (r.material < 0 && c.material <= -100 && c.queenCount[White] >= 1)
            adj += 20;
    }
    i16 cBalance = w16(c.material + c.pawnScore);
    i16 rBalance = w16(r.material + r.pawnScore);
    if (abs_of(cBalance) > 100 && abs_of(rBalance) > 100) {
        int s = c.material > 0 ? 1 : -1;
        int trailing = c.material > 0 ? Black : White;
        int d = int(r.nonPawnMaterial[trailing]) - int(c.nonPawnMaterial[trailing]);
        if (d >= 291)
            adj += 30 * s;
        else if (d < 0 && c.queenCount[trailing] >= 1 && s * cBalance > 200) {
            adj = s * 200 - c.pawnScore - c.material;
            balanceSet = true;
        }
    }
    return adj;
}

// Calls visit(relative rank) for each of colour's pawns that no enemy pawn can stop.
template <class Visit> void for_each_passer(const PlyState& st, int colour, Visit visit) {
    Bitboard enemyPawns = st.pawns[1 - colour];
    for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
        const PieceEntry& p = PieceList[slot];
        if (p.letter != LetterPawn || (passed_mask(colour, p.square) & enemyPawns)) continue;
        visit(colour == White ? p.rank : 7 - p.rank);
    }
}

// Sum of rank squares of colour's passed pawns (White: rank^2, Black: -(7 - rank)^2).
int passer_rank_squares(const PlyState& st, int colour) {
    int sum = 0;
    for_each_passer(st, colour, [&](int rr) { sum += rr * rr; });
    return colour == White ? sum : -sum;
}

// Relative rank of colour's most advanced passed pawn, 0 when it has none.
int best_passer_rank(const PlyState& st, int colour) {
    int best = 0;
    for_each_passer(st, colour, [&](int rr) { best = rr > best ? rr : best; });
    return best;
}

// Pieces against pawns: the side with the extra piece material against the side with more pawns.
int imbalance(const PlyState& st, int adj) {
    int wN = st.nonPawnMaterial[White], bN = st.nonPawnMaterial[Black];
    int pd = wN - bN, qd = st.pawnCount[White] - st.pawnCount[Black];
    if (abs_of(pd) < 320) return adj;
    bool tight = 2 * (wN < bN ? wN : bN) <= (wN > bN ? wN : bN);
    if ((abs_of(pd) >= 660 || tight) && sign_of(pd) == -sign_of(qd)) {
        adj += sign_of(pd) * (tight ? 150 : 70);
        adj += passer_rank_squares(st, qd > 0 ? White : Black);
    } else if (st.phase == 0 && abs_of(qd) <= 2 && sign_of(st.material) == -sign_of(qd)) {
        adj += 50 * sign_of(st.material);
    }
    return adj;
}

// Rook ending one pawn up without passers: halved when the defending king holds the centre files.
i16 rook_ending_one_pawn_up(const PlyState& st, i16 score) {
    if (abs_of(st.material) != 100 || st.rookCount[Black] == 0 || st.rookCount[White] == 0)
        return score;
    if (st.passedCount[Black] + st.passedCount[White] != 0) return score;
    for (int c = 0; c < 2; ++c) {
        if (st.knightCount[c] || st.bishopCount[c] || st.queenCount[c]) return score;
    }
    if (st.pawnCount[Black] + st.pawnCount[White] < 3) return score;
    int defenderFile = st.material < 0 ? st.kingFile[White] : st.kingFile[Black];
    return (defenderFile >= 2 && defenderFile <= 5) ? w16(score >> 1) : score;
}

} // namespace

int16_t apply_draw_class(int16_t score, int drawClass) {
    switch (drawClass) {
    case 1: return score > 0 ? score : w16(((score >> 4) + 100) >> 2);
    case 2: return score < 0 ? score : w16(((score >> 4) - 100) >> 2);
    case 3: return w16(score >> 4);
    case 4: return 0;
    case 5: return w16(score + 200);
    case 6: return w16(score - 200);
    default: return score;
    }
}

bool pawns_only_side_blocked(SearchNode& node, int colour) {
    // Without the node's own attack maps and move lists nothing can be said.
    if (!node.attackMapsValid) return false;
    if (node.checkState != 0) return false;
    const PlyState& st = *node.state;
    const PieceEntry& king = PieceList[KingIndex[colour]];
    Bitboard free =
        king.moves->attacks & ~st.pawns[colour] & ~attacked_by(node, 1 - colour, SideToMove);
    if (free) return false;
    if (st.pawnCount[colour] == 0) return true;
    int fifthRank = colour + 3;
    for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
        const PieceEntry& p = PieceList[slot];
        if (p.letter != LetterPawn) continue;
        // A rook pawn on its fifth rank keeps one en-passant entry in its list.
        bool rookPawnOnFifth = (p.file == 0 || p.file == 7) && p.rank == fifthRank;
        if (p.moves->mobilityCount > (rookPawnOnFifth ? 1 : 0)) return false;
    }
    return true;
}

int material_draw_class(SearchNode& node) {
    const PlyState& st = *node.state;
    int bN = st.nonPawnMaterial[Black], wN = st.nonPawnMaterial[White];
    int bP = st.pawnCount[Black], wP = st.pawnCount[White];
    int d = wN - bN, m = st.material;
    int wKnights = st.knightCount[White], bKnights = st.knightCount[Black];

    if (bP > 0 || bN > 0) {
        if (wP == 0 && wN == 0 && (bN == 500 || bN >= 641)) return 6;
    } else if (wN == 500 || wN >= 641) {
        return 5;
    }
    if (m > 0 && wP == 0 && (d < 400 || wKnights == 2) && wN < 950 && d > 0) {
        if (bP > 0) return 2;
        return (wN < 500 || wKnights == 2) ? 4 : 3;
    }
    if (m < 0 && bP == 0 && (-d < 400 || bKnights == 2) && bN < 950 && -d >= 1) {
        if (wP > 0) return 1;
        if (bN < 500) return 4;
        return bKnights != 2 ? 3 : 4;
    }
    if (wN > 640 || bN > 640) return 0;
    // Drawn (4) when neither side has more than a minor piece, else drawish (3).
    auto minorVerdict = [&] { return bN >= 400 ? 3 : (wN < 400 ? 4 : 3); };
    bool wHelpless = wP == 0 && (wN == 640 || d < 500);
    if (wHelpless && bP == 1) {
        if (bN != 0 || st.bishopCount[White] != 1) return 2;
        return minorVerdict();
    }
    if (bP != 0) return wHelpless ? 2 : 0;
    bool bHelpless = bN == 640 || -d < 500;
    if (bHelpless && wP == 1) {
        if ((wN != 0 || st.bishopCount[Black] != 1) && !wHelpless) return 1;
        return minorVerdict();
    }
    if (wP == 0 && abs_of(wN - bN) < 331) return minorVerdict();
    if (!bHelpless) return wHelpless ? 2 : 0;
    if (!wHelpless) return 1;
    return minorVerdict();
}

int16_t evaluate(SearchNode& node) {
    const PlyState& st = *node.state;
    if (st.phase == 3) return evaluate_pawn_endgame(node);

    const int phase = st.phase;
    const int wN = st.nonPawnMaterial[White], bN = st.nonPawnMaterial[Black];
    const int n = GamePly + SearchPly;
    i16 bs = w16(st.material + (phase == 0 ? (st.pawnScore >> 1) : st.pawnScore));
    i16 bp = 0, cs = 0, dl = 0, mb = 0;
    int adj = 0;

    if (abs_of(bs) <= 500) {
        bp = bishop_pair(st);
        cs = w16(st.castleScore[Black] + st.castleScore[White]);
        if (phase == 0) adj += opening_patterns();
        mb = w16(w16(mobility_weight(n) * st.mobilityTotal) / 85);
        if (standard_start == 1 && phase <= 1 && n < 60) dl = development_lead(st);
    }
    const i16 ka = king_activity(node);
    const i16 fp = free_path(node, st);
    bool balanceSet = false;
    adj = trade_down(st, adj, balanceSet);
    adj = imbalance(st, adj);

    // Queen endings halve the balance, unless the trade-down rule has set it: its adjustment
    // cancels the whole balance, so halving that would turn a large lead into a loss.
    if (phase == 1) {
        if (bN == 950 && wN == 950) {
            if (!balanceSet) bs = w16(bs >> 1);
            int wBest = best_passer_rank(st, White), bBest = best_passer_rank(st, Black);
            if (wBest - bBest > 1 && st.pawnCount[White] >= 4 && st.openLineDanger[White] == 0)
                adj += 200;
            else if (bBest - wBest > 1 && st.pawnCount[Black] >= 4 && st.openLineDanger[Black] == 0)
                adj -= 200;
        } else if (!balanceSet && st.material != 0 &&
                   st.nonPawnMaterial[st.material > 0 ? Black : White] == 950) {
            bs = w16(bs >> 1);
        }
    }

    int piecelessSide = bN == 0 ? Black : (wN == 0 ? White : -1);
    if (piecelessSide >= 0 && pawns_only_side_blocked(node, piecelessSide)) return 0;

    if (phase >= 1) {
        if (st.material >= -99 && st.passedCount[White] >= 2) adj += 30;
        if (st.material < 100 && st.passedCount[Black] >= 2) adj -= 30;
    }

    if (phase == 2) {
        EndgameScore e = score_endgame(node, bs, ka, mb, fp, w16(adj));
        return e.ended ? e.score : apply_draw_class(e.score, material_draw_class(node));
    }

    // Positional sum, fading out after ten reversible plies and gone after twenty.
    int h = n - st.lastIrreversible;
    i16 s = w16(st.openLineDanger[Black] + st.openLineDanger[White] + st.squareValueTotal / 4 +
                st.extraTotal + mb + fp + bp + dl + cs);
    i16 faded = h <= 10 ? s : (h <= 20 ? w16(w16((20 - h) * s) >> 3) : i16(0));
    if (faded > 200) faded = 200;
    if (faded < -200) faded = -200;
    i16 score = w16(bs + faded + ka + (ka >> 1) + adj);
    if (phase == 0) return score;

    if (st.queenCount[Black] == 0 && st.queenCount[White] == 0 && opposite_coloured_bishops(st)) {
        if (st.rookCount[Black] || st.rookCount[White]) {
            score = pull_towards_draw(score);
        } else {
            int m = st.material != 0 ? st.material : score;
            if (abs_of(m) < 300 && sign_of(score) == sign_of(m)) {
                if (abs_of(m) <= 100)
                    score = w16(score >> 2);
                else if (abs_of(m) <= 200)
                    score = w16(score >> 1);
            }
        }
    }
    score = rook_ending_one_pawn_up(st, score);
    return apply_draw_class(score, material_draw_class(node));
}
