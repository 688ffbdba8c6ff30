#include "search/root_search.h"

#include <initializer_list>

#include <algorithm>
#include <cstdlib>

#include "board/draw_rules.h"
#include "board/geometry.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "core/time_control.h"
#include "eval/evaluate.h"
#include "search/alpha_beta.h"
#include "search/exchange.h"
#include "search/hash_table.h"
#include "search/history.h"
#include "search/move_picker.h"
#include "search/poll.h"
#include "search/quiescence.h"
#include "search/quiescence_picker.h"
#include "search/report.h"
#include "search/search_flags.h"
#include "search/search_hooks.h"
#include "search/search_node.h"
#include "search/search_path.h"
#include "search/search_state.h"

int16_t root_score = 0;
int16_t last_reported_score = 0;

int16_t RootHorizon = 4;
int16_t RootScore = 0;
int16_t RootAlpha = -InfiniteScore, RootBeta = InfiniteScore;
int8_t RootSign = 1;
int16_t PrevScore = 0;
int16_t InfoDepth = 4, InfoSelDepth = 4;
uint8_t iteration_result = 0;
uint8_t iteration_has_best = 0;
uint8_t window_widened = 0;
uint8_t budget_extended = 0;
uint8_t no_new_iteration = 0;
uint8_t restart_requested = 0;
uint8_t emergency_mode = 0;
uint8_t root_moves_searched = 0;
int8_t last_depth[2] = {0, 0};
uint8_t single_reply = 0;
uint8_t iteration_reported = 0;

namespace {

constexpr int AspirationHalfWidth = 30;
constexpr int WideningStep = 500;
constexpr int MateInOne = 8999;
constexpr int MatedAtRoot = -9000;
constexpr int MinimumExtraNodes = 20000;
constexpr int EmergencyHorizon = 16;
constexpr int CaptureBonus = 10;

bool captures(MOVE m) {
    return move_captured(m) != 0;
}

// The root node takes over what the generation pass computed for the game position.
void copy_game_node(SearchNode& root, const SearchNode& game) {
    root.side = game.side;
    root.opponent = game.opponent;
    root.mateFound = game.mateFound;
    root.mateMove = game.mateMove;
    root.occupancy = game.occupancy;
    root.colourOccupancy[0] = game.colourOccupancy[0];
    root.colourOccupancy[1] = game.colourOccupancy[1];
    root.EnPassantSquare = game.EnPassantSquare;
    root.checkState = game.checkState;
    root.evasionMask = game.evasionMask;
    for (int c = 0; c < 2; ++c) {
        root.checkers[c][0] = game.checkers[c][0];
        root.checkers[c][1] = game.checkers[c][1];
        root.checkDirection[c] = game.checkDirection[c];
        root.checkCount[c] = game.checkCount[c];
    }
    root.enemyPawnAttacks = game.enemyPawnAttacks;
    root.enemyKnightAttacks = game.enemyKnightAttacks;
    root.enemyBishopAttacks = game.enemyBishopAttacks;
    root.enemyRookAttacks = game.enemyRookAttacks;
    root.enemyQueenAttacks = game.enemyQueenAttacks;
    root.enemyKingAttacks = game.enemyKingAttacks;
    root.enemyMinorAttacks = game.enemyMinorAttacks;
    root.enemyUpToRook = game.enemyUpToRook;
    root.enemyUpToQueen = game.enemyUpToQueen;
    root.enemyAttacks = game.enemyAttacks;
    root.ownPawnAttacks = game.ownPawnAttacks;
    root.ownKnightAttacks = game.ownKnightAttacks;
    root.ownBishopAttacks = game.ownBishopAttacks;
    root.ownRookAttacks = game.ownRookAttacks;
    root.ownQueenAttacks = game.ownQueenAttacks;
    root.ownKingAttacks = game.ownKingAttacks;
    root.ownAttacks = game.ownAttacks;
    root.pinLines = game.pinLines;
    root.testMask = game.testMask;
    root.pinnedCache = game.pinnedCache;
    root.attackMapsValid = game.attackMapsValid;
    root.pinCandidateFlag = game.pinCandidateFlag;
    root.pinCandidateSlot = game.pinCandidateSlot;
    root.pinCandidateLetter = game.pinCandidateLetter;
    root.pinCandidateTargets = game.pinCandidateTargets;
    root.regeneratedCount = 0;
}

bool legal_root_move(SearchNode& root, int slot, MOVE m) {
    return ((root.testMask >> slot) & 1) == 0 ||
           isLegal(root, slot, m, KingIndex[root.side], lastMoveInto(root)) == Legal;
}

// The table move first (when its piece still has it and it is legal), then every legal move.
void build_root_list(SearchNode& root, SearchFrame& f, MOVE tableMove) {
    f.moveCount = 0;
    const int side = root.side;
    MOVE first = 0;
    if (is_real_move(tableMove)) {
        const BoardSquare& b = Board[move_from(tableMove)];
        if (b.letter && b.colour == side) {
            for (const MOVE* list : {b.piece->moves->captures, b.piece->moves->quiet})
                for (const MOVE* p = list; *p && !first; ++p)
                    if ((*p & MoveIdentityMask) == (tableMove & MoveIdentityMask) &&
                        legal_root_move(root, b.slot, *p))
                        first = *p;
            if (first) addEntry(f, first, b.slot).orderKey = KeyFirstMove;
        }
    }
    for (int slot = 16 * (1 - side); slot <= LastPieceIndex[side]; ++slot) {
        const PieceEntry& piece = PieceList[slot];
        if (piece.letter == 0) continue;
        for (const MOVE* list : {piece.moves->captures, piece.moves->quiet})
            for (const MOVE* p = list; *p; ++p)
                if (*p != first && legal_root_move(root, slot, *p)) addEntry(f, *p, slot);
    }
}

// Keys of the first iteration: exchanges, unsafe squares, passed pawns in the endgame.
void score_first_iteration(SearchNode& root, SearchFrame& f) {
    for (int i = 0; i < f.moveCount; ++i) {
        MoveEntry& e = f.moves[i];
        if (e.orderKey == KeyFirstMove) continue;
        const MOVE m = e.move;
        const int mover = move_mover(m);
        const Bitboard target = square_bit(move_to(m));
        e.checkFlag = int8_t(givesCheck(root, m, root.side));
        if ((root.enemyAttacks & target) == 0 || captures(m) || mover == TypePawn) {
            const int verdict = staticExchange(root, m);
            if (verdict == ExchangeWins)
                e.orderKey = KeyGoodCapture;
            else if (verdict == ExchangeLoses && !captures(m) && e.checkFlag != 1)
                e.orderKey = KeyUnsafe;
            else if (verdict == ExchangeEven && captures(m))
                e.orderKey = KeyDeferredCapture;
            else if (mover == TypePawn && f.phase >= 2 && passedPawnMove(root, m))
                e.orderKey = KeyGoodQuiet;
        }
        if (mover >= TypeKnight && mover <= TypeQueen) {
            // Squares attacked by an enemy piece worth less than the mover.
            Bitboard cheaper = root.enemyPawnAttacks;
            if (mover >= TypeBishop) cheaper |= root.enemyKnightAttacks;
            if (mover >= TypeRook) cheaper |= root.enemyBishopAttacks;
            if (mover == TypeQueen) cheaper |= root.enemyRookAttacks;
            if (cheaper & target) e.orderKey = KeyUnsafe;
        }
    }
}

// A mate score found at the root is corrected to the length of the line that leads to it.
int corrected_mate(SearchNode& root, MOVE m, int childScore) {
    MOVE line[PvRowLength];
    line[0] = m;
    for (int i = 1; i < PvRowLength; ++i) line[i] = PvRows[RootPly + 1][i - 1];
    (void)root;
    const int n = std::min(extendLineFromTable(line), 100);
    const MOVE end = n < PvRowLength ? line[n] : 0;
    const int sign = childScore > 0 ? 1 : -1;
    const int corrected = AllPrunedFloor - n;
    if (end == MarkMate) return sign * corrected;
    if ((end == MarkHash || end == MarkHashEnd) && corrected < std::abs(childScore))
        return sign * corrected;
    return childScore;
}

void set_full_window() {
    RootAlpha = -InfiniteScore;
    RootBeta = InfiniteScore;
}

void widen_window() {
    if (window_widened || emergency_mode) {
        set_full_window();
    } else if (iteration_result == 1) {
        RootAlpha = int16_t(std::max(RootScore - WideningStep, -InfiniteScore));
        RootBeta = int16_t(std::min<int>(RootBeta, InfiniteScore));
    } else {
        RootBeta = int16_t(std::min(RootScore + WideningStep, InfiniteScore));
    }
    window_widened = 1;
}

} // namespace

uint64_t extraNodeAllowance(uint64_t start) {
    const uint64_t span = node_limit_at_move_start > start ? node_limit_at_move_start - start : 0;
    return std::max<uint64_t>(MinimumExtraNodes, span / 2);
}

void extendBudgetAfterFailedIteration() {
    if (restart_requested || unlimited || emergency_mode || !halfBudgetSpent()) return;
    budget_extended = no_new_iteration = 1;
    node_limit = node_count + extraNodeAllowance(nodes_at_move_start);
}

MOVE rootBestMove() {
    const MOVE m = PvRows[RootPly][0];
    return is_real_move(m) ? m : 0;
}

MOVE rootPonderMove() {
    const MOVE m = PvRows[RootPly][1];
    if (is_real_move(m)) return m;
    // The console marks a failed iteration's line with its bound in that slot: the reply of the
    // last exact iteration stands when its best move is the one played.
    if ((m == MarkUpperBound || m == MarkLowerBound) && PvRows[RootPly][0] == PrevPv[RootPly] &&
        is_real_move(PrevPv[RootPly + 1]))
        return PrevPv[RootPly + 1];
    return 0;
}

void resetRootState() {
    RootHorizon = InfoDepth = InfoSelDepth = 4;
    RootScore = PrevScore = 0;
    RootAlpha = -InfiniteScore;
    RootBeta = InfiniteScore;
    RootSign = 1;
    iteration_result = iteration_has_best = window_widened = 0;
    budget_extended = no_new_iteration = restart_requested = emergency_mode = 0;
    root_moves_searched = single_reply = iteration_reported = 0;
    last_depth[0] = last_depth[1] = 0;
}

void rootSearch() {
    // Step 1. The root node is a copy of the game position.
    const int ply = ++SearchPly;
    SearchNode& game = SearchNodes[0];
    SearchNode& root = SearchNodes[RootPly];
    SearchFrame& f = SearchFrames[RootPly];
    PlyStates[RootPly] = PlyStates[0];
    PlyStates[RootPly].searchFlag = 1;
    MoveAtPly[0] = LastGameMove;
    copy_game_node(root, game);
    f.side = root.side;
    f.opponent = root.opponent;
    f.sign = int8_t(colour_sign(root.side));
    RootSign = f.sign;
    root_side = f.sign;
    f.phase = PlyStates[RootPly].phase;
    f.nodeType = PvNode;
    f.attackExtensions = 0;
    f.raiseCounter = KeyRaisedBest;
    f.passCounter = KeyEarlierPassBest;
    for (int p = 1; p < MaxPly; ++p) ExpectedMoves[p] = PrevPv[p];
    const uint8_t savedQuietMateSearch = QuietMateSearch;
    QuietMateSearch = 0;

    // Step 2. Key, table move, pawn structure, static score.
    if (ply > SelDepth) SelDepth = int8_t(ply);
    for (MOVE& slot : PvRows[RootPly]) slot = 0;
    f.inCheck = uint8_t(root.checkState != 0);
    const KeyPair rootKey = nodeKey(root, true);
    MOVE tableMove = 0;
    if (HashEnabled) {
        uint8_t code = 0, bound = 0;
        int16_t score = 0;
        int8_t depth = 0;
        hashProbe(rootKey, 0, code, tableMove, score, bound, depth);
    }
    pawnHashProbe(root);
    const PlyState& st = PlyStates[RootPly];
    root_king_distance = uint8_t(StepCount[st.kingSquare[White] * 64 + st.kingSquare[Black]]);
    f.staticEval = int16_t(evaluate(root) * f.sign);
    f.entryAlpha = -InfiniteScore;

    // Step 3. Start depth: from the depth earlier searches reached.
    int d = 1;
    const int L = last_depth[f.side] - 2;
    if (L >= 2 && speed_measured) d = allotted_time[f.side] < 3 ? L / 2 : L;
    if (std::abs(PrevScore * RootSign) > MateThreshold) d = 1;
    if (go_depth_limit > 0 && d > go_depth_limit) d = go_depth_limit;
    d = std::max(1, std::min<int>(d, max_depth));
    RootHorizon = InfoDepth = InfoSelDepth = int16_t(4 * d);
    if (d > 2) SearchFrames[RootPly + 1].killer1 = SearchFrames[RootPly + 1].killer2 = 0;

    // Step 4. Flags of the new search.
    stop_at_root = window_widened = budget_extended = 0;
    abort_search = emergency_mode = restart_requested = 0;
    extra_time_flag = no_new_iteration = 0;
    iteration_has_best = iteration_reported = 0;
    reported_move = 0;
    gui_stop = 0;
    single_reply = 0;
    build_root_list(root, f, tableMove);
    f.listComplete = 1;

    // Step 5. No legal move: mate or stalemate.
    if (f.moveCount == 0) {
        RootScore = f.inCheck ? int16_t(ply - MateScore) : 0;
        PvRows[RootPly][0] = f.inCheck ? MarkMate : MarkStalemate;
        PrevScore = int16_t(RootScore * RootSign);
        root_score = PrevScore;
        abort_search = 1;
        QuietMateSearch = savedQuietMateSearch;
        --SearchPly;
        return;
    }
    single_reply = uint8_t(f.moveCount == 1);
    score_first_iteration(root, f);
    sortMoves(root, false, false, false);

    bool freshWindow = true;
    bool stopped = false;
    int16_t completedHorizon = RootHorizon;
    while (!stopped) {
        // Step 6. Aspiration window around the last score.
        if (freshWindow) {
            const int p = PrevScore * RootSign;
            RootAlpha =
                int16_t(p - AspirationHalfWidth < -InfiniteScore + 1 ? -InfiniteScore
                                                                     : p - AspirationHalfWidth);
            RootBeta = int16_t(p + AspirationHalfWidth >= InfiniteScore ? InfiniteScore
                                                                        : p + AspirationHalfWidth);
            window_widened = 0;
            resetHashStatistics();
            if (uci_mode && (node_count & 0xFFFF) == 0) {
                search_hooks.take_input();
                if (abort_search) break;
            }
        }
        freshWindow = true;

        // Step 7. A new iteration: no root move searched yet.
        RootScore = -InfiniteScore;
        int alpha = RootAlpha;
        root_moves_searched = 0;
        iteration_has_best = 0;
        f.alpha = int16_t(alpha);
        f.bestScore = -InfiniteScore;
        lmrAllowedAt(root);
        sortMoves(root, true, false, false);

        // Step 8. The root moves in order.
        bool mateFound = false;
        for (int i = 0; MoveEntry* entry = f.sorted[i]; ++i) {
            MoveEntry& e = *entry;
            const MOVE m = e.move;
            const int depth = RootHorizon / 4 - ply;
            int value = 0;
            const int searchAlpha = alpha;
            e.tried = 1;
            if (e.repState == RepNormal && entryUsable(e, depth, alpha, RootBeta)) {
                if (countNodeAndPoll(root)) break;
                value = e.hashScore;
                PvRows[ply + 1][0] = e.hashMove ? e.hashMove : MarkHash;
                PvRows[ply + 1][1] = MarkHash;
            } else {
                ++node_count;
                const bool reversible = !isIrreversible(m);
                bool fifty = false;
                if (reversible && reversiblePliesAfter(root) >= 100) {
                    if (e.checkFlag == 0) e.checkFlag = int8_t(givesCheck(root, m, f.side));
                    fifty = e.checkFlag != 1;
                }
                SearchNode& child = enterChild(root, m, e.childKey);
                if (!speed_measured && (!pondering || ponder_hit) && on_clock &&
                    (node_count & 0xFFFF) == 0)
                    calibrateSpeed();
                if (uci_mode && RootHorizon / 4 >= last_depth[f.side] - 2 &&
                    (RootHorizon & ~3) > 27)
                    sendCurrentMoveLine(m, i + 1);
                e.repState = RepNormal;
                if (fifty)
                    e.repState = FiftyDraw;
                else if (reversible && move_special(m) == 0)
                    e.repState = repetitionState(child, m, e.childKey);
                int c = 0;
                if (e.repState == RepDraw || e.repState == FiftyDraw) {
                    leaveChild(root, m);
                    PvRows[ply + 1][0] = e.repState == RepDraw ? MarkRepetition : MarkFifty;
                } else {
                    if (e.repState == RepNormal) probeEntry(e, depth);
                    if (e.repState == RepNormal && entryUsable(e, depth, alpha, RootBeta)) {
                        leaveChild(root, m);
                        c = -e.hashScore;
                        PvRows[ply + 1][0] = e.hashMove ? e.hashMove : MarkHash;
                        PvRows[ply + 1][1] = MarkHash;
                    } else {
                        const int childType = iteration_has_best ? CutNode : PvNode;
                        PvSubtreePly = int8_t(iteration_has_best ? ply : 0);
                        if (RootHorizon / 4 <= ply) {
                            const int legal = f.inCheck ? f.moveCount : 0;
                            QuiescenceParent me{f.staticEval, RootScore, f.inCheck != 0,
                                                legal,        0,         PvNode};
                            QsearchNext = 1;
                            CheckPlyLimit = ply + 1;
                            c = quiesce(child, -RootBeta, -alpha, e.hashMove, me);
                            QsearchNext = 0;
                            CheckPlyLimit = 255;
                        } else {
                            AttackMode = 1;
                            SearchFrames[ply + 1].attackExtensions = 0;
                            c = alphaBetaSearch(child, RootHorizon, childType, -RootBeta, -alpha,
                                                e.hashMove, e.hashMove, RootScore);
                        }
                        leaveChild(root, m);
                        ++root_moves_searched;
                        if (abort_search) break;

                        // Score adjustments: a move that loses material to the reply after a
                        // score drop pays 50; of mated moves, one that loses material comes last.
                        if (c < MateThreshold + 1) {
                            const int previous = last_reported_score * RootSign;
                            const MOVE reply = PvRows[ply + 1][0];
                            if (-c < previous - 300 && is_real_move(reply) &&
                                materialGain(m) - int(Board[move_to(reply)].absValue) < -210)
                                c += 50;
                        } else if (staticExchange(root, m) == ExchangeLoses) {
                            c = std::min(c + 2, AllPrunedFloor);
                        }
                        const uint8_t bound = boundOf(-c, searchAlpha, RootBeta);
                        if (e.repState == RepNormal)
                            storeEntry(e, -c, depth, bound, PvRows[ply + 1][0]);
                        if (std::abs(c) > MateThreshold - 1 && bound != BoundUpper)
                            c = corrected_mate(root, m, c);
                    }
                }
                value = -c;
            }
            e.value = int16_t(value);

            if (iteration_has_best && value <= RootScore) continue;
            // A new best move.
            raiseKey(f.raiseCounter, e);
            RootScore = int16_t(value);
            f.bestScore = RootScore;
            PvRows[ply][0] = m;
            copyChildRow(ply);
            const int alphaBefore = alpha;
            if (value > alpha) alpha = value;
            f.alpha = int16_t(alpha);
            iteration_has_best = 1;
            if (RootScore >= MateInOne) {
                mateFound = true;
                break;
            }
            if (value > alphaBefore && value >= 200 && value <= 8499 && captures(m))
                RootScore = int16_t(value + CaptureBonus);
            if (RootScore >= RootBeta) break;
        }
        const bool interrupted = abort_search && !mateFound;
        if (mateFound) {
            // Nothing beats a mate in one: the score is exact whatever the window was.
            abort_search = 1;
            RootBeta = InfiniteScore;
        }

        // Step 13. Stopped before any iteration completed: restart with more nodes and time
        // rather than leave without a move.
        if (interrupted && (!iteration_has_best || !stop_at_root) && !stop_at_root &&
            !abort_ponder) {
            abort_search = 0;
            const uint64_t oldStart = nodes_at_move_start;
            nodes_at_move_start = node_count;
            node_limit = node_count + extraNodeAllowance(oldStart);
            if (on_clock) {
                // More time, out of what is left on the clock (the interface's clock in UCI
                // mode), keeping a margin that a short clock can afford.
                const double elapsed = now_seconds() - move_start_time;
                const double clock = uci_mode ? clock_ms[f.side] / 1000.0
                                              : double(side_clock[f.side] - time_used[f.side]);
                const double left = clock - elapsed;
                hard_time_limit += std::min(elapsed / 2, left / 2);
                // The limit counts from the start of the move, and never passes the latest end
                // the move's clock allows.
                const double cap =
                    std::min(elapsed + left - std::min(2.0, left / 10), hard_time_ceiling);
                if (hard_time_limit > cap) hard_time_limit = cap;
                if (hard_time_limit < 0) hard_time_limit = 0;
            }
            if (restart_requested) {
                restart_requested = 0;
                no_new_iteration = 0;
                stop_deepening = 0;
                emergency_mode = 1;
                RootHorizon = InfoDepth = InfoSelDepth = EmergencyHorizon;
            }
            set_full_window();
            freshWindow = false;
            continue;
        }
        if (interrupted) break;

        // Step 9. History of the root moves, as at every node; how the iteration ended.
        const MOVE best = PvRows[ply][0];
        if (!captures(best) && move_special(best) != MovePromotion) {
            for (int i = 0; i < f.moveCount; ++i) {
                const MoveEntry& t = f.moves[i];
                if (t.tried != 1) continue;
                ++HistoryTried[t.kind][move_to(t.move)];
                if ((t.move & MoveIdentityMask) == (best & MoveIdentityMask))
                    ++HistoryGood[t.kind][move_to(t.move)];
            }
        }
        iteration_result = (mateFound || (RootScore > RootAlpha && RootScore < RootBeta)) ? 2
                           : RootScore <= RootAlpha                                       ? 1
                                                                                          : 3;

        // Step 10. The iteration's info line.
        iteration_reported = 0;
        reportIteration(false);

        // Step 11. An exact iteration is the search's answer so far.
        if (iteration_result == 2 && iteration_has_best) {
            int i = 0;
            for (; i < PvRowLength && RootPly + i < MaxPly; ++i) {
                if (RootPly + i >= max_depth) {
                    PrevPv[RootPly + i] = MarkMaxDepth;
                    break;
                }
                PrevPv[RootPly + i] = PvRows[RootPly][i];
                if (ends_line(PvRows[RootPly][i])) break;
            }
            PrevScore = int16_t(RootScore * RootSign);
            completedHorizon = RootHorizon;
            stop_at_root = 1;
            if (stop_deepening || mateFound) break;
        }

        // Step 12. Widen after a fail, or decide on the next depth.
        if (iteration_result != 2) {
            extendBudgetAfterFailedIteration();
            widen_window();
            freshWindow = false;
            continue;
        }
        if ((!pondering || ponder_hit) && !unlimited && halfBudgetSpent()) {
            no_new_iteration = 1;
            break;
        }
        const int next = RootHorizon / 4 + 1;
        if (next > max_depth || (go_depth_limit > 0 && next > go_depth_limit)) break;
        if (budget_extended) break;
        if (single_reply) {
            abort_search = 1;
            extra_time_flag = 1;
            break;
        }
        if (RootScore >= MateInOne || RootScore == MatedAtRoot) break;
        if (go_mate_moves > 0 && RootScore >= MateScore - 2 * go_mate_moves) break;
        if (no_new_iteration) break;
        RootHorizon = int16_t(RootHorizon + 4);
        InfoDepth = InfoSelDepth = RootHorizon;
        if (uci_mode) sendDepthLine();
    }

    // Step 14. What the search leaves behind.
    root_score = PrevScore;
    if (!pondering && !extra_time_flag) {
        if (!iteration_has_best) RootHorizon = int16_t(RootHorizon - 4);
        int reached = RootHorizon / 4 - ((budget_extended || !iteration_has_best) ? 1 : 0);
        reached = std::max(reached, 1);
        if (reached < max_depth) last_depth[f.side] = int8_t((last_depth[f.side] + reached) / 2);
    }
    if (emergency_mode) last_depth[f.side] = int8_t(last_depth[f.side] / 2);

    // Step 15. Leave the root and send the last line.
    --SearchPly;
    // The interface's last line must show the move that is played: an iteration stopped after
    // it found a new best move is reported too.
    const bool unreported = !iteration_reported || reported_move != PvRows[RootPly][0];
    if (uci_mode && unreported && is_real_move(PvRows[RootPly][0])) {
        const bool had = iteration_has_best;
        if (!had) {
            // The last iteration stopped before its first move was scored: the line and score
            // to show are those of the last exact iteration, not a bound of -9999.
            RootScore = int16_t(PrevScore * RootSign);
            RootAlpha = -InfiniteScore;
            RootBeta = InfiniteScore;
            InfoDepth = completedHorizon;
        }
        iteration_has_best = 1;
        ++SearchPly;
        reportIteration(true);
        --SearchPly;
        iteration_has_best = had;
    }
    for (int i = 0; i < root.regeneratedCount; ++i)
        root.regenerated[i]->moves = root.regenerated[i]->moves->previous;
    root.regeneratedCount = 0;
    QuietMateSearch = savedQuietMateSearch;
}
