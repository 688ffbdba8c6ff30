#include "board/movegen.h"

#include <algorithm>
#include <cstdlib>

#include "board/geometry.h"
#include "board/legality.h"
#include "board/move_table.h"
#include "board/position.h"

uint8_t RetracedDirections[2];
int8_t DiscoveredCheckPly = -1;
uint8_t QuietMateSearch = 1;

namespace {

// Per pass: kings whose eight directions are all re-traced, kings whose shelter must be
// recounted, and kings whose record (and so shelter) was rebuilt.
bool KingFullRetrace[2];
bool ShelterRecount[2];
bool KingRebuilt[2];

// Counters of one generator run.
struct Counts {
    int quiet = 0;
    int captures = 0;
    int mobility = 0;
    int extra = 0;
    uint8_t canPromote = 0;
    uint8_t placement = 0;
};

MOVE as_capture(MOVE m, int victimType, MOVE orderingClass) {
    return (m & ~(MoveCapturedMask | MoveClassMask)) | MOVE(victimType) << MoveCapturedShift |
           orderingClass;
}
MOVE with_victim(MOVE m, int victimType) {
    return (m & ~MoveCapturedMask) | MOVE(victimType) << MoveCapturedShift;
}

bool pawn_defended(const PlyState& s, int square, int defender) {
    return (PawnAttacks[defender * 64 + square] & s.pawns[defender]) != 0;
}

int home_rank_of_seventh(int colour) {
    return colour == White ? 6 : 1;
}

void generate_pawn(const PieceEntry& e, PieceMoveRecord& r, Counts& g) {
    int enemy = 1 - e.colour;
    bool pushFree = false;
    for (const MOVE* p = MoveTable[e.square][e.kind][0]; *p; ++p) {
        MOVE m = *p;
        int to = move_to(m), diff = to - e.square;
        const BoardSquare& b = Board[to];
        if (diff == 1 || diff == -1) {
            pushFree = b.letter == 0;
            if (!pushFree) continue;
            if (move_special(m) == MovePromotion) {
                g.canPromote = 1;
                if (move_promotion_type(m) == TypeQueen) {
                    r.captures[g.captures++] = m;
                    continue;
                }
            }
            r.quiet[g.quiet++] = m;
        } else if (diff == 2 || diff == -2) {
            if (pushFree && b.letter == 0) r.quiet[g.quiet++] = m;
        } else if (move_special(m) == MoveEnPassant) {
            r.captures[g.captures++] = m;
        } else if (b.letter != 0 && b.colour == enemy) {
            int victim = letter_type(b.letter);
            if (victim != TypePawn) {
                m = as_capture(m, victim, ClassBestCapture);
                if (move_special(m) == MovePromotion) g.canPromote = 1;
            }
            r.captures[g.captures++] = m;
        }
    }
}

void generate_knight(const PieceEntry& e, PieceMoveRecord& r, Counts& g, const PlyState& s) {
    int enemy = 1 - e.colour;
    for (const MOVE* p = MoveTable[e.square][e.kind][0]; *p; ++p) {
        MOVE m = *p;
        int to = move_to(m);
        const BoardSquare& b = Board[to];
        if (b.letter == 0) {
            r.quiet[g.quiet++] = m;
            if (pawn_defended(s, to, enemy)) g.mobility -= 2;
            continue;
        }
        if (b.colour == e.colour) {
            g.mobility -= 2;
            continue;
        }
        switch (b.letter) {
        case LetterKnight: m = as_capture(m, TypeKnight, ClassMinorVictim); break;
        case LetterRook:
        case LetterQueen:
            g.mobility += 4;
            m = as_capture(m, letter_type(b.letter), ClassBestCapture);
            break;
        case LetterBishop:
            g.mobility += 4;
            m = as_capture(m, TypeBishop, ClassMinorVictim);
            break;
        case LetterPawn:
            g.mobility += 2;
            if (pawn_defended(s, to, enemy)) g.mobility -= 1;
            m = as_capture(m, TypePawn, ClassPawnVictim);
            break;
        default:
            g.mobility += 2;
            m = with_victim(m, TypeKing);
            break;
        }
        r.captures[g.captures++] = m;
    }
    g.mobility += 2 * (g.quiet + g.captures - 4);
}

// Line directions (Steps numbering) of the slider lists of MoveTable, ray by ray.
constexpr int BishopDirections[4] = {1, 3, 7, 5}; // +9, +7, -7, -9
constexpr int RookDirections[4] = {0, 4, 2, 6};   // +1, -1, +8, -8

// One ray of a slider: empty squares become quiet moves, an enemy blocker a capture coded by
// victim. Returns the blocking square, or -1 when the ray reaches the edge; ray count in n.
// The blocker comes from the occupancy bitboard, so the empty squares before it are copied from
// the table list without looking at the board one square at a time.
template <typename Victim>
int walk_ray(const MOVE* list, int from, int direction, Bitboard occupancy, PieceMoveRecord& r,
             Counts& g, int colour, int& n, Victim victim) {
    const int blocker = nearest_on_ray(from, direction, occupancy);
    const int empty =
        blocker < 0 ? StepsToEdge[from * 16 + direction] : StepCount[from * 64 + blocker] - 1;
    r.attacks |= ray_attacks(from, direction, occupancy);
    for (int i = 0; i < empty; ++i) r.quiet[g.quiet + i] = list[i];
    g.quiet += empty;
    n += empty;
    if (blocker < 0) return -1;
    const BoardSquare& b = Board[blocker];
    if (b.colour != colour) {
        r.captures[g.captures++] = victim(list[empty], b, blocker);
        ++n;
    }
    return blocker;
}

int slider_band(int n, const int (&scores)[5]) {
    if (n < 2) return scores[0];
    if (n <= 4) return scores[1];
    if (n <= 7) return scores[2];
    if (n <= 9) return scores[3];
    return scores[4];
}

void generate_bishop(const PieceEntry& e, PieceMoveRecord& r, Counts& g, const PlyState& s) {
    const Bitboard occupancy = occupiedSquares(s);
    int enemy = 1 - e.colour;
    bool defendedPawnHit = false;
    auto victim = [&](MOVE m, const BoardSquare& b, int to) {
        switch (b.letter) {
        case LetterQueen: g.mobility += 4; return as_capture(m, TypeQueen, ClassBestCapture);
        case LetterPawn:
            g.mobility += 2;
            if (pawn_defended(s, to, enemy)) {
                g.mobility -= 2;
                defendedPawnHit = true;
            }
            return as_capture(m, TypePawn, ClassPawnVictim);
        case LetterRook: g.mobility += 2; return as_capture(m, TypeRook, ClassBestCapture);
        case LetterKnight: g.mobility += 2; return as_capture(m, TypeKnight, ClassMinorVictim);
        case LetterBishop: return as_capture(m, TypeBishop, ClassMinorVictim);
        default: return with_victim(m, TypeKing);
        }
    };
    for (int ray = 0; ray < 4; ++ray) {
        int n = 0;
        int blocker = walk_ray(MoveTable[e.square][e.kind][ray], e.square, BishopDirections[ray],
                               occupancy, r, g, e.colour, n, victim);
        if (blocker < 0 || Board[blocker].colour != e.colour) continue;
        const BoardSquare& b = Board[blocker];
        if (b.letter != LetterPawn) {
            g.mobility -= 2;
        } else if (b.rank == home_rank_of_seventh(e.colour) && s.phase < 2) {
            g.mobility += 30;
        } else if (e.colour == White ? b.rank > e.rank : b.rank < e.rank) {
            g.mobility -= 4;
        }
    }
    int n = g.quiet + g.captures;
    g.mobility += slider_band(n, {-15, -10, -7, 5, 10});
    if (defendedPawnHit && n < 6) g.placement = 255;
}

void generate_rook(const PieceEntry& e, PieceMoveRecord& r, Counts& g, const PlyState& s) {
    const Bitboard occupancy = occupiedSquares(s);
    int enemy = 1 - e.colour;
    bool fileMarked = (s.fileMask >> e.file) & 1;
    g.extra = fileMarked ? 10 : 0;
    auto victim = [&](MOVE m, const BoardSquare& b, int to) {
        switch (b.letter) {
        case LetterQueen: g.mobility += 2; return as_capture(m, TypeQueen, ClassBestCapture);
        case LetterPawn:
            g.mobility += 2;
            if (pawn_defended(s, to, enemy)) g.mobility -= 2;
            return as_capture(m, TypePawn, ClassPawnVictim);
        case LetterKnight:
        case LetterBishop:
            g.mobility += 2;
            return as_capture(m, letter_type(b.letter), ClassMinorVictim);
        case LetterRook: return as_capture(m, TypeRook, ClassMinorVictim);
        default: return with_victim(m, TypeKing);
        }
    };
    int counts[4] = {0, 0, 0, 0};
    bool blocked = false;
    int forwardRay = e.colour == White ? 0 : 1;
    for (int ray = 0; ray < 4; ++ray) {
        int blocker = walk_ray(MoveTable[e.square][e.kind][ray], e.square, RookDirections[ray],
                               occupancy, r, g, e.colour, counts[ray], victim);
        if (blocker < 0 || Board[blocker].colour != e.colour) continue;
        const BoardSquare& b = Board[blocker];
        g.mobility -= 2;
        if (b.letter == LetterPawn && ray == forwardRay) {
            if ((PassedMask[e.colour * 64 + blocker] & s.pawns[enemy]) == 0) {
                if (s.phase > 0) g.mobility += 15;
            } else {
                blocked = true;
            }
        } else if (b.letter == LetterRook || b.letter == LetterQueen) {
            if (b.rank == e.rank && e.rank == home_rank_of_seventh(e.colour))
                g.extra = 50;
            else if (b.file == e.file && fileMarked)
                g.extra = 25;
        }
    }
    int n = counts[0] + counts[1] + counts[2] / 2 + counts[3] / 2;
    g.mobility += slider_band(n, {-20, -15, -10, 5, 15});
    if (blocked && counts[0] + counts[1] <= 3) {
        g.mobility -= 20;
        g.placement = (e.file == 0 || e.file == 7) ? 254 : 255;
    }
    if (s.phase > 0 && e.rank == home_rank_of_seventh(e.colour)) {
        Bitboard rank = FirstRank << e.rank;
        if (s.pawns[enemy] & rank) g.extra += 20;
    }
}

void generate_queen(const PieceEntry& e, PieceMoveRecord& r, Counts& g, PlyState& s) {
    const Bitboard occupancy = occupiedSquares(s);
    int enemy = 1 - e.colour;
    s.queenSquare[e.colour] = e.square;
    auto victim = [&](MOVE m, const BoardSquare& b, int to) {
        switch (b.letter) {
        case LetterQueen: return as_capture(m, TypeQueen, ClassMinorVictim);
        case LetterPawn:
            if (pawn_defended(s, to, enemy)) g.mobility -= 2;
            return as_capture(m, TypePawn, ClassPawnVictim);
        case LetterKing: return with_victim(m, TypeKing);
        default: g.mobility += 6; return as_capture(m, letter_type(b.letter), ClassPieceTakesPiece);
        }
    };
    int seventh = home_rank_of_seventh(e.colour);
    for (int ray = 0; ray < 8; ++ray) {
        int n = 0;
        int blocker = walk_ray(MoveTable[e.square][e.kind][ray], e.square, ray, occupancy, r, g,
                               e.colour, n, victim);
        if (blocker < 0 || Board[blocker].colour != e.colour) continue;
        const BoardSquare& b = Board[blocker];
        g.mobility -= 2;
        if (b.letter == LetterRook || b.letter == LetterQueen) {
            if (b.rank == seventh && e.rank == seventh)
                g.extra = 15;
            else if (b.file == e.file && ((s.fileMask >> e.file) & 1))
                g.extra = 15;
        }
    }
    int n = g.quiet + g.captures;
    g.mobility += n >= 4 ? -n / 2 : -15;
}

void generate_king(const PieceEntry& e, PieceMoveRecord& r, Counts& g, PlyState& s) {
    uint8_t rights = s.castlingRights[e.colour];
    for (const MOVE* p = MoveTable[e.square][e.kind][0]; *p; ++p) {
        MOVE m = *p;
        int to = move_to(m);
        if (move_special(m) == MoveCastling) {
            uint8_t need = file_of(to) == 6 ? CastleKingSide : CastleQueenSide;
            if (rights & need) r.quiet[g.quiet++] = m;
            continue;
        }
        const BoardSquare& b = Board[to];
        if (b.letter == 0) {
            r.quiet[g.quiet++] = m;
        } else if (b.colour != e.colour) {
            if (b.letter == LetterPawn) {
                m = as_capture(m, TypePawn, ClassPawnVictim);
            } else {
                g.mobility += 2;
                m = as_capture(m, letter_type(b.letter), ClassBestCapture);
            }
            r.captures[g.captures++] = m;
        }
    }
    countKingShelter(s, e.colour);
    KingRebuilt[e.colour] = true;
}

// The evaluation's placement flag from letter, colour, square and mobility n.
uint8_t placement_flag(const PieceEntry& e, int n, uint8_t generated) {
    uint8_t weak = n >= 3 ? generated : 255;
    bool white = e.colour == White;
    switch (e.letter) {
    case LetterKnight:
        if (e.square == (white ? SqA8 : SqA1)) return 254;
        if (e.rank == 0 || e.rank == 7 || e.rank == (white ? 1 : 6) || e.file == 0 || e.file == 7)
            return 255;
        return weak;
    case LetterQueen:
        if (n < 3) return 254;
        if (white && n <= 5) return 255;
        return generated;
    case LetterBishop: {
        int d3 = white ? 26 : 29, d2 = white ? 25 : 30, g2 = white ? 49 : 54, g3 = white ? 50 : 53;
        const BoardSquare& below = Board[e.square == d3 ? d2 : g3];
        bool ownPawn = below.letter == LetterPawn && below.colour == e.colour;
        if (e.square == d3 && ownPawn) return 254;
        if (e.square == g2 && ownPawn && generated == 0) return 0;
        return weak;
    }
    case LetterRook: return weak;
    case LetterKing:
        if (GamePly > 50) return generated;
        if (e.rank == (white ? 0 : 7) && (e.file <= 1 || e.file >= 6)) return 0;
        return 255;
    default: return generated;
    }
}

int8_t to_i8(int v) {
    return int8_t(std::clamp(v, -128, 127));
}

// Squares the pieces of colour (its king included unless skipped) attack with this occupancy;
// skipSlot's piece is left out.
Bitboard coverage(int colour, int skipSlot, Bitboard occupancy) {
    Bitboard b = 0;
    for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0 || slot == skipSlot) continue;
        b |= pieceAttacks(e.letter, colour, e.square, occupancy);
    }
    return b;
}

// Can a piece of colour other than its king, standing on a square of present, reach sq (capture
// it, or step onto it when empty) with this occupancy? Pinned pieces count, which only makes the
// caller more careful.
bool reachable_by(int colour, int sq, Bitboard occupancy, Bitboard present, bool empty) {
    for (int slot = 16 * (1 - colour); slot <= LastPieceIndex[colour]; ++slot) {
        const PieceEntry& e = PieceList[slot];
        if (e.letter == 0 || e.letter == LetterKing || (present & square_bit(e.square)) == 0)
            continue;
        if (e.letter == LetterPawn) {
            int up = colour == White ? 1 : -1;
            if (!empty) {
                if (pawnAttackSet(square_bit(e.square), colour) & square_bit(sq)) return true;
                continue;
            }
            int one = e.square + up;
            if (one == sq) return true;
            if (e.rank == (colour == White ? 1 : 6) && e.square + 2 * up == sq &&
                (occupancy & square_bit(one)) == 0)
                return true;
            continue;
        }
        if (pieceAttacks(e.letter, colour, e.square, occupancy) & square_bit(sq)) return true;
    }
    return false;
}

void retrace_king(SearchNode& node, int colour) {
    PlyState& s = *node.state;
    s.diagonalCheckRays[colour] = s.straightCheckRays[colour] = 0;
    for (int d = 0; d < 8; ++d)
        traceCheckRay(node, colour_sign(colour), s.kingSquare[colour],
                      (d & 1) ? LetterBishop : LetterRook, Steps[d]);
    s.allCheckRays[colour] = s.diagonalCheckRays[colour] | s.straightCheckRays[colour];
}

void set_check_state(SearchNode& node) {
    int side = node.side;
    PieceEntry* const* checkers = node.checkers[side];
    node.evasionMask = 0;
    node.checkState = 0;
    if (checkers[1]) {
        node.checkState = 2;
        return;
    }
    if (!checkers[0]) return;
    node.checkState = checkers[0]->letter;
    int target = checkers[0]->square;
    if (checkers[0]->letter == LetterKnight) {
        node.evasionMask = square_bit(target);
        return;
    }
    int king = node.state->kingSquare[side], step = node.checkDirection[side];
    int d = direction_of_step(step);
    if (d >= 8) return;
    Bitboard mask = 0;
    int sq = king;
    for (int i = 0, n = StepsToEdge[king * 16 + d]; i < n; ++i) {
        sq += step;
        mask |= square_bit(sq);
        if (sq == target) {
            node.evasionMask = mask;
            return;
        }
    }
}

// Enemy and own attack maps, rebuilding the records that the changed squares touch, and the
// slots whose moves need the legality test.
void build_attack_maps(SearchNode& node, Bitboard changed) {
    const PlyState& s = *node.state;
    int side = node.side, opp = node.opponent;
    Bitboard maps[7] = {};
    maps[TypePawn] = pawnAttackSet(s.pawns[opp], opp);
    for (int slot = 16 * (1 - opp); slot <= LastPieceIndex[opp]; ++slot) {
        PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        if (e.moves->attacks & changed) rebuildPieceRecord(node, e);
        int type = kind_type(e.kind);
        if (type != TypePawn) maps[type] |= e.moves->attacks;
    }
    node.enemyPawnAttacks = maps[TypePawn];
    node.enemyKnightAttacks = maps[TypeKnight];
    node.enemyBishopAttacks = maps[TypeBishop];
    node.enemyRookAttacks = maps[TypeRook];
    node.enemyQueenAttacks = maps[TypeQueen];
    node.enemyKingAttacks = maps[TypeKing];
    node.enemyMinorAttacks = maps[TypeKnight] | maps[TypePawn] | maps[TypeBishop];
    node.enemyUpToRook = node.enemyMinorAttacks | maps[TypeRook];
    node.enemyUpToQueen = node.enemyUpToRook | maps[TypeQueen];
    node.enemyAttacks = node.enemyUpToQueen | maps[TypeKing];
    node.pinLines = (s.allCheckRays[side] & maps[TypeQueen]) |
                    (s.straightCheckRays[side] & maps[TypeRook]) |
                    (s.diagonalCheckRays[side] & maps[TypeBishop]);

    Bitboard own[7] = {};
    own[TypePawn] = pawnAttackSet(s.pawns[side], side);
    // Squares whose piece needs the legality test: the king, pawns on the fifth rank (en
    // passant) and pieces on a line between the king and an enemy slider.
    const Bitboard fifthRank = FirstRank << (side == White ? 4 : 3);
    const Bitboard tested =
        square_bit(PieceList[KingIndex[side]].square) | (s.pawns[side] & fifthRank) | node.pinLines;
    uint32_t testMask = node.checkState ? 0xFFFFFFFFu : 0;
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        PieceEntry& e = PieceList[slot];
        if (e.letter == 0) continue;
        if (e.moves->attacks & changed) rebuildPieceRecord(node, e);
        testMask |= uint32_t((tested >> e.square) & 1) << slot;
        int type = kind_type(e.kind);
        if (type != TypePawn) own[type] |= e.moves->attacks;
    }
    node.testMask = testMask;
    node.ownPawnAttacks = own[TypePawn];
    node.ownKnightAttacks = own[TypeKnight];
    node.ownBishopAttacks = own[TypeBishop];
    node.ownRookAttacks = own[TypeRook];
    node.ownQueenAttacks = own[TypeQueen];
    node.ownKingAttacks = own[TypeKing];
    node.ownAttacks = own[TypePawn] | own[TypeKnight] | own[TypeBishop] | own[TypeRook] |
                      own[TypeQueen] | own[TypeKing];
    node.attackMapsValid = 1;
}

void find_quiet_mate(SearchNode& node) {
    const PlyState& s = *node.state;
    int side = node.side, opp = node.opponent;
    if (node.checkState || (s.phase > 0 && s.queenCount[side] == 0)) return;
    int enemyKing = s.kingSquare[opp];
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        PieceEntry& e = PieceList[slot];
        Bitboard checkSquares;
        switch (e.letter) {
        case LetterKnight: checkSquares = KnightAttacks[enemyKing]; break;
        case LetterQueen: checkSquares = s.allCheckRays[opp]; break;
        case LetterRook: checkSquares = s.straightCheckRays[opp]; break;
        default: continue;
        }
        if (findCheckingMoves(node, e, e.letter, checkSquares)) return;
    }
}

void find_discovered_check_candidate(SearchNode& node) {
    const PlyState& s = *node.state;
    int side = node.side, opp = node.opponent;
    if (node.checkState || s.phase != 0) return;
    if (DiscoveredCheckPly >= 0 && DiscoveredCheckPly != SearchPly) return;
    int enemyKing = s.kingSquare[opp];
    // Own pieces on the enemy king's lines; when several are aimed at, the highest slot is kept.
    Bitboard candidates = node.colourOccupancy[side] & s.allCheckRays[opp];
    const PieceEntry* best = nullptr;
    bool behindIsQueen = false;
    while (candidates) {
        const int square = pop_lowest_bit(candidates);
        const PieceEntry& e = *Board[square].piece;
        if (e.letter == LetterKing || (best && e.slot < best->slot)) continue;
        int step = direction_step(enemyKing, square);
        int behind = nearest_on_ray(square, direction_of_step(step), node.occupancy);
        if (behind < 0) continue;
        const BoardSquare& b = Board[behind];
        bool diagonal = is_diagonal_step(step);
        bool aimed =
            b.colour == side && (b.letter == LetterQueen || (b.letter == LetterRook && !diagonal) ||
                                 (b.letter == LetterBishop && diagonal));
        if (!aimed) continue;
        best = &e;
        behindIsQueen = b.letter == LetterQueen;
    }
    if (!best) return;
    node.pinCandidateFlag = 1;
    node.pinCandidateSlot = best->slot;
    node.pinCandidateLetter = best->letter;
    node.pinCandidateTargets = best->moves->attacks & ~node.enemyAttacks;
    if (behindIsQueen) node.pinCandidateTargets |= best->moves->attacks & KingAttacks[enemyKing];
}

} // namespace

void countKingShelter(PlyState& s, int colour) {
    uint8_t rights = s.castlingRights[colour];
    if (rights >= 1 && rights <= 3) return;
    uint8_t* counts = &s.kingShelter[colour * 3];
    counts[0] = counts[1] = counts[2] = 0;
    int king = s.kingSquare[colour];
    bool onFirstRank = rank_of(king) == (colour == White ? 0 : 7);
    for (int d = 0; d < 8; ++d) {
        if (onFirstRank && (Steps[d] == 8 || Steps[d] == -8)) continue;
        if (StepsToEdge[king * 16 + d] < 3) continue;
        // The three squares next to the king along d: its ray less the ray beyond the third.
        const int third = king + 3 * Steps[d];
        const Bitboard near = RayMask[king * 8 + d] & RayTruncate[third * 8 + d];
        if ((near & s.pawns[colour]) == 0) ++counts[(d == 0 || d == 4) ? 0 : 1];
    }
}

void rebuildPieceRecord(SearchNode& node, PieceEntry& e) {
    if (e.letter == 0) return;
    PieceMoveRecord* old = e.moves;
    if (SearchPly > 0 && old->ply == SearchPly) return;
    PlyState& s = *node.state;
    int sign = e.sign, c = e.colour;
    s.squareValueTotal = int16_t(s.squareValueTotal - old->squareValue);
    s.mobilityTotal = int16_t(s.mobilityTotal - sign * (old->mobilityCount + old->mobilityScore));
    s.extraTotal = int16_t(s.extraTotal - sign * old->extra);
    s.placementTotal[c] = uint8_t(s.placementTotal[c] - old->placementFlag);
    s.promotersCount[c] = uint8_t(s.promotersCount[c] - old->canPromote);

    if (SearchPly > 0) node.regenerated[node.regeneratedCount++] = &e;
    PieceMoveRecord& r = moveRecord(e.slot, SearchPly);
    r.previous = SearchPly > 0 ? old : &r;
    r.ply = uint8_t(SearchPly);
    e.moves = &r;
    switch (e.letter) {
    case LetterKnight: r.attacks = KnightAttacks[e.square]; break;
    case LetterPawn: r.attacks = PawnReach[e.colour * 64 + e.square]; break;
    case LetterKing: r.attacks = KingAttacks[e.square]; break;
    default: r.attacks = 0; break;
    }
    r.squareValue = Board[e.square].pieceSquare[e.kind];
    s.squareValueTotal = int16_t(s.squareValueTotal + r.squareValue);

    Counts g;
    switch (e.letter) {
    case LetterPawn: generate_pawn(e, r, g); break;
    case LetterKnight: generate_knight(e, r, g, s); break;
    case LetterBishop: generate_bishop(e, r, g, s); break;
    case LetterRook: generate_rook(e, r, g, s); break;
    case LetterQueen: generate_queen(e, r, g, s); break;
    default: generate_king(e, r, g, s); break;
    }
    r.quiet[g.quiet] = 0;
    r.captures[g.captures] = 0;
    r.quietCount = uint8_t(g.quiet);
    r.captureCount = uint8_t(g.captures);
    r.mobilityCount = uint8_t(g.quiet + g.captures);
    r.mobilityScore = to_i8(g.mobility);
    r.extra = to_i8(g.extra);
    r.canPromote = g.canPromote;
    s.mobilityTotal = int16_t(s.mobilityTotal + sign * (r.mobilityCount + r.mobilityScore));
    s.extraTotal = int16_t(s.extraTotal + sign * r.extra);
    s.promotersCount[c] = uint8_t(s.promotersCount[c] + r.canPromote);
    r.placementFlag = placement_flag(e, r.mobilityCount, g.placement);
    s.placementTotal[c] = uint8_t(s.placementTotal[c] + r.placementFlag);
}

void markSquareChanged(SearchNode& node, int square, bool arrival) {
    const PlyState& s = *node.state;
    for (int c = 0; c < 2; ++c) {
        int king = s.kingSquare[c];
        if (king == square || (QueenLines[king] & square_bit(square)) == 0) continue;
        ShelterRecount[c] = true;
        if (KingFullRetrace[c]) continue;
        int d = DirectionNumber[king * 64 + square];
        if (RetracedDirections[c] & (1u << d)) continue;
        RetracedDirections[c] |= uint8_t(1u << d);
        traceCheckRay(node, colour_sign(c), king, (d & 1) ? LetterBishop : LetterRook, Steps[d]);
    }
    if (!arrival) return;
    const BoardSquare& b = Board[square];
    int side = node.side;
    if (b.letter == LetterKnight && b.colour != side &&
        (KnightAttacks[square] & square_bit(s.kingSquare[side])))
        recordChecker(node, side, b.piece, s.kingSquare[side] - square);
}

bool findCheckingMoves(SearchNode& node, PieceEntry& e, uint8_t letter, Bitboard checkSquares) {
    const PlyState& s = *node.state;
    int side = e.colour, opp = 1 - side;
    int enemyKing = s.kingSquare[opp];
    Bitboard zone = KingAttacks[enemyKing];
    Bitboard targets =
        e.moves->attacks & ~node.enemyUpToQueen & checkSquares & ~node.colourOccupancy[side];
    while (targets) {
        int t = pop_lowest_bit(targets);
        Bitboard after = (node.occupancy & ~square_bit(e.square)) | square_bit(t);
        Bitboard throughKing = after & ~square_bit(enemyKing);
        Bitboard hits = pieceAttacks(letter, side, t, throughKing);
        if ((hits & square_bit(enemyKing)) == 0) continue;
        // The checker must not be capturable once the piece has left its square.
        Bitboard enemyAfter = node.colourOccupancy[opp] & ~square_bit(t);
        if (reachable_by(opp, t, after, enemyAfter, false)) continue;
        Bitboard others = coverage(side, e.slot, throughKing);
        if (letter != LetterKnight) {
            if (zone & square_bit(t)) {
                if ((others & square_bit(t)) == 0) continue;
            } else {
                int step = direction_step(t, enemyKing);
                bool blockable = false;
                for (int sq = t + step; sq != enemyKing && !blockable; sq += step)
                    blockable = reachable_by(opp, sq, after, enemyAfter, true);
                if (blockable) continue;
            }
        }
        if (zone & ~enemyAfter & ~hits & ~others) continue;
        int victim = letter_type(Board[t].letter);
        MOVE m = MOVE(t) | MOVE(e.square) << MoveFromShift |
                 MOVE(letter_type(letter)) << MoveMoverShift | MOVE(victim) << MoveCapturedShift |
                 (victim ? ClassBestCapture : ClassQuiet);
        if ((CastlingSquares & (square_bit(t) | square_bit(e.square))) != 0)
            m |= MoveCastlingSquare;
        if (isLegal(node, e.slot, m, KingIndex[side], lastMoveInto(node)) != Legal) continue;
        node.mateFound = 1;
        node.mateMove = m;
        return true;
    }
    return false;
}

void updateMoves(SearchNode& node, MOVE last) {
    PlyState& s = *node.state;
    int side = SideToMove, opp = 1 - side;
    node.side = uint8_t(side);
    node.opponent = uint8_t(opp);
    for (int c = 0; c < 2; ++c) {
        node.checkers[c][0] = node.checkers[c][1] = nullptr;
        node.checkCount[c] = 0;
        node.checkDirection[c] = 0;
        node.colourOccupancy[c] = s.pawns[c] | s.pieces[c];
        RetracedDirections[c] = 0;
        KingFullRetrace[c] = ShelterRecount[c] = KingRebuilt[c] = false;
    }
    node.occupancy = node.colourOccupancy[0] | node.colourOccupancy[1];
    node.checkState = 0;
    node.evasionMask = 0;
    node.testMask = 0;
    node.pinnedCache = 0;
    node.mateFound = 0;
    node.mateMove = 0;
    node.pinCandidateFlag = 0;
    node.hasLegalMove = 0;

    Bitboard changed = 0;
    if (last == FullUpdate) {
        for (int c = 0; c < 2; ++c) {
            s.queenSquare[c] = 255;
            s.diagonalCheckRays[c] = s.straightCheckRays[c] = s.allCheckRays[c] = 0;
            const PieceEntry& king = PieceList[KingIndex[c]];
            s.kingSquare[c] = king.square;
            s.kingFile[c] = king.file;
            s.kingRank[c] = king.rank;
            s.kingWing[c] = kingWing(king.file, s.castlingRights[c]);
        }
        for (uint8_t& count : s.kingShelter) count = 0;
        for (PieceEntry& e : PieceList) {
            if (e.letter == 0) continue;
            rebuildPieceRecord(node, e);
            int enemyKing = s.kingSquare[1 - e.colour];
            if (e.letter == LetterKnight && (KnightAttacks[e.square] & square_bit(enemyKing)))
                recordChecker(node, 1 - e.colour, &e, enemyKing - e.square);
        }
        KingFullRetrace[0] = KingFullRetrace[1] = true;
    } else if (last != NULL_MOVE) {
        int from = move_from(last), to = move_to(last);
        if (move_mover(last) == TypeKing) KingFullRetrace[opp] = true;
        markSquareChanged(node, from, false);
        markSquareChanged(node, to, true);
        changed = square_bit(from) | square_bit(to);
        if (move_special(last) == MoveEnPassant) {
            int victim = to - colour_sign(opp);
            markSquareChanged(node, victim, false);
            changed |= square_bit(victim);
        } else if (move_special(last) == MoveCastling) {
            int rookFrom = to > from ? to + 8 : to - 16;
            int rookTo = to > from ? to - 8 : to + 8;
            markSquareChanged(node, rookFrom, false);
            markSquareChanged(node, rookTo, false);
            changed |= square_bit(rookFrom) | square_bit(rookTo);
            rebuildPieceRecord(node, *Board[to].piece);
            rebuildPieceRecord(node, *Board[rookTo].piece);
        }
    }

    for (int c = 0; c < 2; ++c) {
        if (KingFullRetrace[c])
            retrace_king(node, c);
        else if (RetracedDirections[c])
            s.allCheckRays[c] = s.diagonalCheckRays[c] | s.straightCheckRays[c];
    }
    if (last != NULL_MOVE) set_check_state(node);
    build_attack_maps(node, changed);
    if (QuietMateSearch) find_quiet_mate(node);
    find_discovered_check_candidate(node);
    for (int c = 0; c < 2; ++c)
        if (ShelterRecount[c] && !KingRebuilt[c]) countKingShelter(s, c);
}

void startPieceMoves(PieceMoveIterator& it, PieceEntry& piece, const SearchNode& node) {
    it.piece = &piece;
    it.ray = 0;
    it.cursor = MoveTable[piece.square][piece.kind][0];
    it.pushBlocked = false;
    it.castlingRights = node.state->castlingRights[piece.colour];
}

MOVE nextPieceMove(PieceMoveIterator& it) {
    const PieceEntry& e = *it.piece;
    int type = letter_type(e.letter);
    int rays = type == TypeQueen ? 8 : (type == TypeBishop || type == TypeRook) ? 4 : 1;
    bool slider = rays > 1;
    for (;;) {
        MOVE m = *it.cursor;
        if (m == 0) {
            if (++it.ray >= rays) return 0;
            it.cursor = MoveTable[e.square][e.kind][it.ray];
            continue;
        }
        ++it.cursor;
        int to = move_to(m);
        const BoardSquare& b = Board[to];
        MOVE quiet = (m & ~MoveClassMask) | ClassQuiet;
        if (type == TypePawn) {
            int diff = std::abs(to - e.square);
            if (diff == 1) {
                it.pushBlocked = b.letter != 0;
                if (it.pushBlocked) continue;
                if (move_special(m) == MovePromotion) return (m & ~MoveClassMask) | ClassPromotion;
                return quiet;
            }
            if (diff == 2) {
                if (it.pushBlocked || b.letter != 0) continue;
                return quiet;
            }
            if (move_special(m) == MoveEnPassant) {
                const BoardSquare& victim = Board[to - e.sign];
                if (b.letter != 0 || victim.letter != LetterPawn || victim.colour == e.colour)
                    continue;
                return as_capture(m, TypePawn, ClassPawnCapture) | MoveEnPassant;
            }
            if (b.letter == 0 || b.colour == e.colour) continue;
            return with_victim(m, letter_type(b.letter));
        }
        if (move_special(m) == MoveCastling) {
            uint8_t need = file_of(to) == 6 ? CastleKingSide : CastleQueenSide;
            if (it.castlingRights & need) return m;
            continue;
        }
        if (b.letter == 0) return quiet;
        if (slider) {
            while (*it.cursor) ++it.cursor; // an occupied square ends the ray
        }
        if (b.colour == e.colour) continue;
        return with_victim(m, letter_type(b.letter));
    }
}
