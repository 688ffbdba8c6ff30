#include "search/alpha_beta.h"

#include <algorithm>

#include "board/draw_rules.h"
#include "board/geometry.h"
#include "board/keys.h"
#include "board/legality.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/settings.h"
#include "eval/evaluate.h"
#include "search/exchange.h"
#include "search/hash_table.h"
#include "search/history.h"
#include "search/move_picker.h"
#include "search/poll.h"
#include "search/quiescence.h"
#include "search/quiescence_picker.h"
#include "search/root_search.h"
#include "search/search_node.h"
#include "search/search_path.h"
#include "search/search_state.h"

namespace {

constexpr int NoNullMove = 127;
constexpr int FrontierMargin = 20;

bool same_move(MOVE a, MOVE b) {
    return (a & MoveIdentityMask) == (b & MoveIdentityMask);
}

bool captures_or_promotes(MOVE m) {
    return move_captured(m) != 0 || move_special(m) == MovePromotion;
}

int ordering_class(MOVE m) {
    return int((m & MoveClassMask) >> MoveClassShift);
}

int relative_rank(int colour, int square) {
    return colour == White ? rank_of(square) : 7 - rank_of(square);
}

int16_t leave(int16_t score) {
    --SearchPly;
    return score;
}

// The opponent's most advanced passed pawn is one step from a free promotion square.
bool passer_about_to_promote(const SearchNode& node, const SearchFrame& f) {
    const PlyState& s = *node.state;
    const int opp = f.opponent;
    if (s.promotersCount[opp] == 0 || s.passedCount[opp] == 0) return false;
    const int passer = s.topPasser[opp];
    if (relative_rank(opp, passer) != 6) return false;
    const int promotion = passer + (opp == White ? 1 : -1);
    return Board[promotion].letter == 0 && (node.ownAttacks & square_bit(promotion)) == 0;
}

// A threat found by the null move is harmless when the attacker would only trade: a minor
// piece hitting a pawn or minor piece, a pawn hitting a pawn, and any rook, queen or king
// attack except a rook attacking a queen.
bool harmless_attack(int attacker, int victim) {
    if ((attacker == TypeKnight || attacker == TypeBishop) &&
        (victim == TypePawn || victim == TypeKnight || victim == TypeBishop))
        return true;
    if (attacker == TypePawn && victim == TypePawn) return true;
    if (attacker == TypeRook) return victim != TypeQueen;
    return attacker == TypeQueen || attacker == TypeKing;
}

void note_threat(const SearchNode& node, SearchFrame& f, MOVE reply) {
    f.threatMove = reply;
    if (!is_real_move(reply)) return;
    const int square = move_to(reply);
    f.threatSquare = int8_t(square);
    const BoardSquare& b = Board[square];
    if (b.letter != 0 && b.colour == f.side && pieceHanging(node, square) == -1 &&
        !harmless_attack(move_mover(reply), letter_type(b.letter)))
        f.threatReal = 1;
}

// The horizons of the node's passes: the full one, preceded by an internal-iterative-deepening
// pass and a null-move pass where planned, in ascending order.
void plan_passes(SearchFrame& f, int N, bool iid) {
    f.stepCount = 0;
    if (iid) f.iterationSteps[f.stepCount++] = int16_t((N - 2) * 4);
    f.iterationSteps[f.stepCount++] = f.horizon;
    if (f.nullHorizonPly != NoNullMove && f.nullHorizonPly < N) {
        const int nullHorizon = f.nullHorizonPly * 4;
        bool present = false;
        for (int i = 0; i < f.stepCount; ++i)
            present |= f.iterationSteps[i] / 4 == f.nullHorizonPly;
        if (!present) {
            int at = f.stepCount;
            while (at > 0 && f.iterationSteps[at - 1] > nullHorizon) {
                f.iterationSteps[at] = f.iterationSteps[at - 1];
                --at;
            }
            f.iterationSteps[at] = int16_t(nullHorizon);
            ++f.stepCount;
        }
    }
}

MoveEntry* entry_of(SearchFrame& f, MOVE m) {
    for (int i = 0; i < f.moveCount; ++i)
        if (same_move(f.moves[i].move, m)) return &f.moves[i];
    return nullptr;
}

// Searches the child of the current move at the frame's childHorizon within (-beta, -alpha)
// and returns the value for the node's side. The move is made and taken back here.
int search_child(SearchNode& node, SearchFrame& f, MoveEntry& e, SearchNode& child, int childType,
                 int alpha, int beta) {
    const int p = node.index;
    SearchFrames[p + 1].attackExtensions = uint8_t(f.attackExtensions + e.attackExtended);
    if (p >= max_depth) {
        child.attackMapsValid = 0;
        PvRows[p + 1][0] = MarkMaxDepth;
        return evaluateFor(child, f.side);
    }
    if (p >= f.childHorizon / 4) {
        const int lazy =
            (e.checkFlag == 1 || f.nodeType == PvNode || node.pinCandidateFlag) ? 0 : 1;
        const int legalCount = f.inCheck ? countLegalMoves(node) : 0;
        QuiescenceParent me{f.staticEval, f.bestScore, f.inCheck != 0,
                            legalCount,   lazy,        f.nodeType};
        QsearchNext = 1;
        CheckPlyLimit = p + 1;
        const int score = quiesce(child, -beta, -alpha, e.hashMove, me);
        QsearchNext = 0;
        CheckPlyLimit = 255;
        return -score;
    }
    const MOVE suggestion = e.hashMove ? e.hashMove : is_real_move(f.threatMove) ? f.threatMove : 0;
    return -alphaBetaSearch(child, f.childHorizon, childType, -beta, -alpha, e.hashMove, suggestion,
                            f.bestScore);
}

} // namespace

int lateMoveReduction(int pliesBelowPvExit, bool listComplete, int moveCount, int movesMade,
                      int quietMovesMade) {
    int r = pliesBelowPvExit < 3 ? 2 : 4;
    const bool many = listComplete ? quietMovesMade >= (moveCount - movesMade + quietMovesMade) / 2
                                   : quietMovesMade > 10;
    return many ? 2 * r : r;
}

int16_t alphaBetaSearch(SearchNode& node, int horizonArg, int nodeTypeArg, int alpha, int beta,
                        MOVE firstMoveArg, MOVE suggested, int parentBest) {
    // Step 1. Entering the node.
    const int p = ++SearchPly;
    SearchFrame& f = SearchFrames[p];
    enterFrame(f, SideToMove, node.state->phase);
    f.horizon = f.iterationHorizon = int16_t(horizonArg);
    f.suggestedMove = suggested;
    f.threatMove = 0;
    f.threatSquare = -1;
    f.threatReal = 0;
    f.hasValue = 0;
    f.raiseCounter = KeyRaisedBest;
    f.passCounter = KeyEarlierPassBest;
    f.moveCount = 0;
    f.listComplete = 0;

    // Step 2. The move to try first: the previous iteration's move while on its variation.
    f.firstMove = firstMoveArg;
    if (node.state->searchFlag == 1) {
        const MOVE onLine = PrevPv[p];
        if (is_real_move(onLine) && Board[move_from(onLine)].colour == f.side) f.firstMove = onLine;
    }

    // Step 3. Deepest ply reached, for the reports.
    if (p > SelDepth) SelDepth = int8_t(p);

    // Step 4. Mate-distance pruning.
    if (mate_distance_cut(alpha, beta, p)) {
        PvRows[p][0] = MarkEnd;
        return leave(int16_t(alpha));
    }
    const int enteredAlpha = alpha;

    // Step 5. An expected cut node first tries a zero window at beta.
    bool zeroWindowFirst = false;
    if (nodeTypeArg == CutNode && beta > alpha + 1 && beta < MateThreshold) {
        zeroWindowFirst = true;
        alpha = beta - 1;
    }

    // Step 6. Pawn structure, move lists, check.
    f.nodeType = int8_t(nodeTypeArg);
    f.legalMoveSeen = 0;
    PvRows[p][0] = 0;
    const MOVE last = lastMoveInto(node);
    // The pawn structure is refreshed before the move lists: it reads the king-shelter counts
    // the position was reached with.
    refreshPawnSummary(node, last);
    updateMoves(node, last);
    f.inCheck = uint8_t(node.checkState != 0);
    if (p == 2 && f.phase >= 1)
        root_king_distance =
            uint8_t(StepCount[node.state->kingSquare[White] * 64 + node.state->kingSquare[Black]]);

    // Step 7. Passed-pawn flag for the null move.
    const bool passerFlag = f.nodeType != PvNode && passer_about_to_promote(node, f);

    // Step 8. Static score.
    const int white = evaluate(node);
    f.staticEval = int16_t(white * f.sign);

    // Step 9. Node extensions: check, and the entry into a pawn ending.
    int horizon = horizonArg;
    if (f.inCheck) horizon += 4;
    if (f.phase == 3 && node.previousState->phase < 3) horizon += 12;
    horizon = std::min(horizon, max_depth * 4);
    f.horizon = int16_t(horizon);
    const int N = horizon / 4;
    if (horizon > InfoSelDepth) InfoSelDepth = int16_t(horizon);

    // Step 10. Attack window: a queen near the enemy king close to the horizon.
    const PlyState& st = *node.state;
    f.attackWindow = uint8_t(AttackMode && st.queenCount[f.side] > 0 && p >= N - 4);
    f.attackZone = 0;
    if (f.attackWindow && st.queenSquare[f.side] < 64) {
        const int enemyKing = st.kingSquare[f.opponent];
        if (StepCount[st.queenSquare[f.side] * 64 + enemyKing] <= 2)
            f.attackZone = KingAttacks[enemyKing] & ~node.colourOccupancy[f.side] & node.ownAttacks;
    }

    // Step 11. Null-move plan: three plies less (two with an enemy passer about to queen).
    f.nullHorizonPly = NoNullMove;
    if (f.staticEval >= beta && !f.inCheck && is_real_move(last) && p < N) {
        const int r = passerFlag ? 1 : 0;
        f.nullHorizonPly = int8_t(std::max(p + r, N + r - 3));
    }

    // Step 12. Internal iterative deepening at a PV node without a move to try first.
    const bool iid = f.nullHorizonPly == NoNullMove && !f.inCheck && f.firstMove == 0 &&
                     f.nodeType == PvNode && N - 2 >= p + 1;

    // Step 13. The passes.
    plan_passes(f, N, iid);

    // Step 14. Dead draw by material.
    if (white == 0 && f.phase >= 2 && !f.inCheck && material_draw_class(node) == 4) {
        PvRows[p][0] = MarkEnd;
        return leave(0);
    }

    int passAlpha = alpha;
    f.entryAlpha = int16_t(passAlpha);
    bool researched = false;
    bool listReady = false;
    int stepIndex = 0;
    for (;;) {
        // Step 15. A pass.
        f.iterationHorizon = f.iterationSteps[stepIndex];
        f.movesMade = f.quietMovesMade = 0;
        f.bestScore = -InfiniteScore;
        f.alpha = int16_t(passAlpha);
        f.hasValue = 0;
        f.alphaRaised = 0;
        bool nullFailedHigh = false;
        bool passOver = false;

        // Step 16. The null-move step opens the pass that runs at its horizon.
        if (f.nullHorizonPly != NoNullMove && f.iterationHorizon / 4 == f.nullHorizonPly) {
            f.stage = StageNullMove;
            if (countNodeAndPoll(node)) return leave(f.staticEval);
            if (!NullMoveActive) {
                NullMoveActive = 1;
                NullMovePly = int8_t(p);
                NullMoveSign = f.sign;
            }
            hashPrefetch(predictChildKey32(node, NULL_MOVE));
            KeyPair key;
            SearchNode& child = enterChild(node, NULL_MOVE, key);
            f.childHorizon = f.iterationHorizon;
            MoveEntry none{};
            const int value = search_child(node, f, none, child, AllNode, beta - 1, beta);
            leaveChild(node, NULL_MOVE);
            if (NullMoveActive && NullMovePly == p) NullMoveActive = 0;
            if (abort_search) return leave(f.staticEval);

            // Step 29. What the null move tells.
            if (value < beta) note_threat(node, f, PvRows[p + 1][0]);
            const bool lastStep = stepIndex + 1 >= f.stepCount;
            if (f.phase >= 1 || (value < beta && lastStep)) {
                // After a fail high the real moves verify it at the same horizon; after a fail
                // low they are searched at the next step's horizon. Without a next step the
                // null move's fail low says nothing of the real moves: they are searched here.
                if (value >= beta) {
                    nullFailedHigh = true;
                } else if (!lastStep) {
                    f.iterationHorizon = f.iterationSteps[++stepIndex];
                }
            } else {
                f.bestScore = int16_t(value);
                f.hasValue = 1;
                PvRows[p][0] = NULL_MOVE;
                if (value >= beta) break; // the null move's fail-high ends the node
                passOver = true;
            }
        }

        if (!passOver) {
            if (listReady)
                startPreparedList(node);
            else
                startPicker(node);
        }
        while (!passOver) {
            f.childHorizon = f.iterationHorizon;
            const MOVE m = nextMove(node);
            if (m == 0) break;
            MoveEntry& e = *f.current;
            if (e.hashState == NotProbed) hashPrefetch(predictChildKey32(node, m));
            const int mover = move_mover(m);

            // Step 17. Move extensions, unless the picker extended the move already.
            bool marked = e.extended != 0;
            uint8_t attackExtended = e.attackExtended;
            if (!f.inCheck && e.extended <= 1) {
                int plain = 0, subject = 0;
                bool attack = false;
                const bool extendable =
                    f.attackExtensions < MaxAttackExtensions && p >= f.iterationHorizon / 4 - 4;
                if (f.attackWindow && mover == TypeQueen && attackExtensionSquares(node, m)) {
                    marked = true;
                    if (e.checkFlag == 0) e.checkFlag = int8_t(givesCheck(node, m, f.side));
                    if (extendable && e.checkFlag != 1) {
                        plain += 2;
                        attack = true;
                    }
                } else if (f.attackWindow && f.attackZone && mover >= TypeKnight &&
                           mover <= TypeRook && attackExtensionSquares(node, m)) {
                    marked = true;
                    if (e.checkFlag == 0) e.checkFlag = int8_t(givesCheck(node, m, f.side));
                    if (extendable && e.checkFlag != 1) {
                        subject += 4;
                        attack = true;
                    }
                }
                if (is_real_move(last) && move_to(m) == move_to(last) &&
                    (ordering_class(last) == 4 || ordering_class(last) == 5))
                    plain += 4;
                if (mover == TypePawn) {
                    const int rank = relative_rank(f.side, move_from(m));
                    if (rank == 5 && p >= f.iterationHorizon / 4 - 4)
                        subject += 4;
                    else if (rank == 4 && f.nodeType == PvNode && f.phase >= 1 &&
                             p >= f.iterationHorizon / 4 - 8 && passedPawnMove(node, m))
                        subject += 4;
                }
                // Step 18. An extension of a move that loses material is withdrawn.
                if (subject && staticExchange(node, m) == ExchangeLoses) {
                    subject = 0;
                    if (mover != TypeQueen) attack = false;
                }
                f.childHorizon = int16_t(f.childHorizon + plain + subject);
                attackExtended = attack ? 1 : 0;
            }
            e.attackExtended = attackExtended;

            // Step 19. No child horizon beyond the maximum depth.
            f.childHorizon = int16_t(std::min<int>(f.childHorizon, max_depth * 4));

            // Step 20. Late-move reductions of quiet moves.
            if (f.lmrAllowed && f.stage >= StageQuiet && e.checkFlag != 1 && !marked &&
                f.childHorizon == f.iterationHorizon && ordering_class(m) >= 8) {
                e.historyPct = uint8_t(std::min(historyRatio(e.kind, move_to(m)), 255));
                bool reduce = true;
                if (f.phase != 0) {
                    if (mover == TypePawn && passedPawnMove(node, m)) reduce = false;
                } else {
                    if (e.checkFlag == 0) e.checkFlag = int8_t(givesCheck(node, m, f.side));
                    if (e.checkFlag == 1) reduce = false;
                }
                if (reduce) {
                    const int r = lateMoveReduction(p - PvSubtreePly, f.listComplete != 0,
                                                    f.moveCount, f.movesMade, f.quietMovesMade);
                    f.childHorizon = int16_t(std::max(f.childHorizon - r, p * 4));
                }
            }

            // Step 21. Frontier futility: a late move into the quiescence search that cannot
            // bring the score near alpha (a knight promotion of the quiet lists as well).
            if (f.childHorizon / 4 == p && f.iterationHorizon == f.horizon && !f.inCheck &&
                f.staticEval + FrontierMargin < f.alpha - FrontierMargin && f.stage > StageQuiet &&
                e.checkFlag != 1 && f.phase != 3) {
                if (countNodeAndPoll(node)) break;
                continue;
            }

            const int depth = f.childHorizon / 4 - p;
            int value = 0;
            bool settled = false, fromTable = false;

            // Step 22. Settled from what an earlier pass learnt.
            if (!NullMoveActive && (e.repState == RepDraw || e.repState == FiftyDraw)) {
                settled = true;
                PvRows[p + 1][0] = e.repState == RepDraw ? MarkRepetition : MarkFifty;
            } else if (e.repState == RepNormal && entryUsable(e, depth, f.alpha, beta)) {
                if (countNodeAndPoll(node)) break;
                settled = fromTable = true;
                value = e.hashScore;
                PvRows[p + 1][0] = e.hashMove ? e.hashMove : MarkHash;
                PvRows[p + 1][1] = MarkHash;
            }

            const int searchAlpha = f.alpha;
            if (!settled) {
                // Step 23. Make the move; draws on the path; the table.
                if (countNodeAndPoll(node)) break;
                ++f.movesMade;
                if (!move_captured(m)) ++f.quietMovesMade;
                const bool reversible = !isIrreversible(m) && !NullMoveActive;
                bool fifty = false;
                if (reversible && reversiblePliesAfter(node) >= 100) {
                    if (e.checkFlag == 0) e.checkFlag = int8_t(givesCheck(node, m, f.side));
                    fifty = e.checkFlag != 1;
                }
                SearchNode& child = enterChild(node, m, e.childKey);
                e.repState = RepNormal;
                if (fifty)
                    e.repState = FiftyDraw;
                else if (reversible && move_special(m) == 0)
                    e.repState = repetitionState(child, m, e.childKey);
                if (e.repState == RepDraw || e.repState == FiftyDraw) {
                    leaveChild(node, m);
                    settled = true;
                    PvRows[p + 1][0] = e.repState == RepDraw ? MarkRepetition : MarkFifty;
                } else {
                    if (e.repState == RepNormal) probeEntry(e, depth);
                    if (e.repState == RepNormal && entryUsable(e, depth, f.alpha, beta)) {
                        leaveChild(node, m);
                        settled = fromTable = true;
                        value = e.hashScore;
                        PvRows[p + 1][0] = e.hashMove ? e.hashMove : MarkHash;
                        PvRows[p + 1][1] = MarkHash;
                    } else {
                        // Step 24. Child type and window.
                        int childType;
                        if (f.nodeType == PvNode) {
                            childType = f.alphaRaised ? CutNode : PvNode;
                            PvSubtreePly = int8_t(f.alphaRaised ? p : 0);
                        } else {
                            childType = -f.nodeType;
                        }
                        // Step 25. Search the child.
                        value = search_child(node, f, e, child, childType, f.alpha, beta);
                        leaveChild(node, m);
                        // Step 26. A stopped search keeps nothing from this node.
                        if (abort_search) return leave(f.staticEval);
                        // Step 30 (first part). A reduced move that beats alpha at a non-PV node
                        // is searched again at the full horizon before it is believed.
                        if (f.nodeType != PvNode && value > f.bestScore && value > passAlpha &&
                            (f.childHorizon & ~3) < (f.iterationHorizon & ~3)) {
                            storeEntry(e, value, depth, boundOf(value, searchAlpha, beta),
                                       PvRows[p + 1][0]);
                            f.childHorizon = f.iterationHorizon;
                            SearchNode& again = enterChild(node, m, e.childKey);
                            value = search_child(node, f, e, again, childType, f.alpha, beta);
                            leaveChild(node, m);
                            if (abort_search) return leave(f.staticEval);
                        }
                        // Steps 27-28. Bound and store.
                        const int storedDepth = f.childHorizon / 4 - p;
                        if (e.repState == RepNormal)
                            storeEntry(e, value, storedDepth, boundOf(value, searchAlpha, beta),
                                       PvRows[p + 1][0]);
                    }
                }
            }
            e.value = int16_t(value);
            (void)fromTable;

            // Step 30. A better value.
            if (value > f.bestScore) {
                raiseKey(f.raiseCounter, e);
                f.alphaRaised = 1;
                f.bestScore = int16_t(value);
                if (value > f.alpha) f.alpha = int16_t(value);
                PvRows[p][0] = m;
                f.hasValue = 1;
                if (-value > parentBest)
                    copyChildRow(p);
                else
                    endRowAfterMove(p, MarkEnd);
                if (value >= beta) break;
            }
        }
        if (abort_search) return leave(f.staticEval);

        // Step 31. A pass without a value: mate, stalemate, or every move pruned.
        if (!f.hasValue) {
            if (f.inCheck && !f.legalMoveSeen) {
                f.bestScore = int16_t(p - MateScore);
                PvRows[p][0] = MarkMate;
            } else if (f.legalMoveSeen) {
                f.bestScore = int16_t(std::max(passAlpha, -AllPrunedFloor));
                PvRows[p][0] = MarkAllPruned;
            } else {
                f.bestScore = 0;
                PvRows[p][0] = MarkStalemate;
            }
            if (f.bestScore > f.alpha) f.alpha = f.bestScore;
        }

        // Step 32. History: every move tried in the pass counts, unless the pass was decided by
        // a capture or promotion (a pass ended by a marker counts too).
        const MOVE best = PvRows[p][0];
        if (!captures_or_promotes(best)) {
            for (int i = 0; i < f.moveCount; ++i) {
                const MoveEntry& t = f.moves[i];
                if (t.tried != 1) continue;
                const int to = move_to(t.move);
                ++HistoryTried[t.kind][to];
                if (same_move(t.move, best)) ++HistoryGood[t.kind][to];
            }
        }

        // Step 33. Next pass, or leave.
        if (stepIndex + 1 >= f.stepCount) {
            // Step 34. A cut node that failed low on its zero window is searched again as a
            // PV node with the window it was given, unless its last pass was the verification
            // of a null move's fail high.
            if (zeroWindowFirst && !researched && !nullFailedHigh && f.bestScore < beta) {
                researched = true;
                passAlpha = enteredAlpha;
                f.entryAlpha = int16_t(passAlpha);
                f.nodeType = PvNode;
                PvSubtreePly = 0;
                f.nullHorizonPly = NoNullMove;
                if (MoveEntry* b = is_real_move(best) ? entry_of(f, best) : nullptr)
                    raiseKey(f.passCounter, *b);
                f.iterationSteps[0] = f.horizon;
                f.stepCount = 1;
                stepIndex = 0;
                listReady = f.listComplete;
                if (!listReady && is_real_move(best)) f.firstMove = best;
                continue;
            }
            break;
        }
        if (f.bestScore >= beta) {
            if (f.iterationHorizon / 4 >= f.nullHorizonPly && p < N && nullFailedHigh) break;
            if (is_real_move(best)) f.firstMove = best;
        }
        if (f.iterationHorizon / 4 + 1 > max_depth) break;
        if (f.bestScore > passAlpha && is_real_move(best))
            if (MoveEntry* b = entry_of(f, best)) raiseKey(f.passCounter, *b);
        listReady = f.listComplete;
        ++stepIndex;
    }

    // Step 35. Killers: a quiet move that beat the pass alpha.
    const MOVE best = PvRows[p][0];
    if (is_real_move(best) && !abort_search && f.bestScore > passAlpha &&
        !captures_or_promotes(best)) {
        f.killer2 = f.killer1;
        f.killer1 = best;
    }

    // Step 36. Leave the node.
    return leave(f.bestScore);
}
