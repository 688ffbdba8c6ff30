// What the search keeps per ply beside the board's SearchNode: the node's horizons, window and
// best score, its move list with the search annotations of every entry, the move picker's
// cursor, and the principal-variation rows with their end-of-line markers.
#pragma once

#include <cstdint>

#include "board/types.h"

// ---------------------------------------------------------------------------------------------
// Scores (side to move's view, signed 16 bits).
// ---------------------------------------------------------------------------------------------
constexpr int MateScore = 9001;     // a side mated at ply p scores p - MateScore
constexpr int MateThreshold = 8500; // beyond this either way a score is a mate score
constexpr int InfiniteScore = 9999; // bounds the windows; a best score starts at -9999
constexpr int AllPrunedFloor =
    9000; // a node whose every legal move was pruned scores at least -9000

// ---------------------------------------------------------------------------------------------
// End-of-line markers: a principal-variation slot with a non-zero top nibble holds no move but
// tells why the line ends. NULL_MOVE (0x10000) stands for the null move.
// ---------------------------------------------------------------------------------------------
constexpr MOVE MarkEnd = 0x10000000;  // line cut without a search (NO_MOVE)
constexpr MOVE MarkEnd2 = 0x20000000; // known to the display only
constexpr MOVE MarkFifty = 0x30000000;
constexpr MOVE MarkRepetition = 0x40000000;
constexpr MOVE MarkMate = 0x50000000;
constexpr MOVE MarkStalemate = 0x60000000;
constexpr MOVE MarkPA = 0x70000000; // known to the display only
constexpr MOVE MarkAllPruned = 0x80000000;
constexpr MOVE MarkMaxDepth = 0x90000000;
constexpr MOVE MarkHash = 0xA0000000;
constexpr MOVE MarkHashEnd = 0xB0000000;
constexpr MOVE MarkAsk = 0xC0000000;
constexpr MOVE MarkUpperBound = 0xD0000000;
constexpr MOVE MarkLowerBound = 0xE0000000;

constexpr bool is_marker(MOVE m) {
    return (m & MoveMarkerMask) != 0;
}
// A slot that ends a line: a marker, the null move or an empty slot.
constexpr bool ends_line(MOVE m) {
    return m == 0 || m == NULL_MOVE || is_marker(m);
}

// Mate-distance pruning at ply p: no line from here can mate sooner than a mate already found
// nearer the root, nor be mated later than the worst case. Narrows [alpha, beta] to the scores
// still reachable; true when nothing is left, the node then scoring alpha.
constexpr bool mate_distance_cut(int& alpha, int& beta, int p) {
    if (alpha < p - MateScore) {
        alpha = p - MateScore;
        if (alpha >= beta) return true;
    }
    if (beta > MateScore - 1 - p) {
        beta = MateScore - 1 - p;
        if (beta <= alpha) return true;
    }
    return false;
}

constexpr int PvRowLength = 64;
// Row p holds the best line found from ply p; written by the node of that ply.
extern MOVE PvRows[MaxPly][PvRowLength];
// The principal variation of the last completed root iteration: PrevPv[p] is the move played
// from ply p (PrevPv[1] the best root move, PrevPv[2] the expected reply), ended by a marker.
// Written by the root search, read by every node lying on it.
extern MOVE PrevPv[MaxPly + 1];

// ---------------------------------------------------------------------------------------------
// Node types and move-list entries.
// ---------------------------------------------------------------------------------------------
constexpr int8_t PvNode = 0;
constexpr int8_t CutNode = 1;
constexpr int8_t AllNode = -1;

// Table states of an entry (the probe codes of the transposition table, 0 = not probed yet).
constexpr uint8_t NotProbed = 0;

// repState of an entry.
constexpr uint8_t RepNormal = 1;
constexpr uint8_t RepEarlierGame = 2; // repeats a game position near the root: never stored
constexpr uint8_t RepDraw = 3;
constexpr uint8_t FiftyDraw = 4;

struct MoveEntry {
    MOVE move;
    uint8_t slot;       // PieceList slot of the moving piece
    uint8_t kind;       // its PieceKind
    int8_t checkFlag;   // 0 not tested, 1 gives check, -1 does not
    uint8_t tried;      // 0 not returned yet, 1 returned, 2 pruned by capture futility
    int32_t orderKey;   // higher first
    uint8_t historyPct; // HistoryGood * 100 / HistoryTried at the last sort
    uint8_t repState;
    uint8_t hashState; // NotProbed or a probe code
    uint8_t hashBound;
    int16_t hashScore;
    int8_t hashDepth;
    uint8_t extended;       // quarter plies the picker extended the move by; 1 = marked only
    uint8_t attackExtended; // that extension is one of the attack extensions
    uint8_t bucket;         // quiescence: the list it was deferred to
    MOVE hashMove;          // best reply stored for the child position
    int16_t value;
    KeyPair childKey;
};

constexpr int MaxNodeMoves = 256;

// Picker stages, in the order they run.
constexpr int StageNullMove = 1;
constexpr int StageFirstMove = 2;
constexpr int StageCaptures = 4;
constexpr int StageDeferredCaptures = 32;
constexpr int StageKillers = 64;
constexpr int StageQuiet = 128;
constexpr int StageSortedQuiet = 1024;
constexpr int StagePrepared = 4096;

struct SearchFrame {
    // Set on entry.
    uint8_t side, opponent;
    int8_t sign; // +1 white to move, -1 black
    uint8_t phase;
    int16_t horizon;          // full horizon in quarter plies, after node extensions
    int16_t iterationHorizon; // horizon of the pass now running
    int16_t childHorizon;     // horizon of the child of the current move
    int16_t iterationSteps[4];
    uint8_t stepCount;
    int16_t alpha, entryAlpha, bestScore, staticEval;
    int8_t nodeType;
    uint8_t inCheck;
    MOVE firstMove, suggestedMove;
    MOVE threatMove;
    int8_t threatSquare; // -1 none
    uint8_t threatReal;
    int8_t nullHorizonPly; // 127 = no null move
    uint8_t lmrAllowed;
    int stage;
    uint8_t hasValue, alphaRaised, legalMoveSeen;
    int movesMade, quietMovesMade;
    MOVE killer1, killer2; // kept from visit to visit of the same ply
    uint8_t attackWindow;
    Bitboard attackZone;
    uint8_t attackExtensions; // attack extensions along the path to this node

    // Move list and picker cursor.
    MoveEntry moves[MaxNodeMoves];
    int moveCount;
    MoveEntry* sorted[MaxNodeMoves + 1]; // entries in sorted order, ended by a null pointer
    int sortedCursor;
    MoveEntry* current;   // the entry returned last
    int pickSlot;         // piece slot being walked
    const MOVE* pickList; // position in that piece's list
    uint8_t pickTested;   // that piece's moves need the legality test
    uint8_t listComplete, listSorted;
    int listCursor;  // stage 32: next entry of the list
    int killerIndex; // stage 64: next killer to try
    MOVE killersReturned[2];
    int32_t raiseCounter; // keys of moves that raised the best score in the current pass
    int32_t passCounter;  // keys of the best moves of earlier passes

    // Quiescence.
    int16_t deltaFloor;
    int checkPlyLimit;
    uint8_t forcedLine, checksAllowed;
    int bucketStage; // 0..5: the bucket being emptied
    int checkStage;  // quiet checks: 0 not started, 1 knights and queens, 2 other pieces, 3 done
};

// Frame p belongs to the node of ply p (SearchNodes[p]).
extern SearchFrame SearchFrames[MaxPly];

// The colours and game phase of a frame whose node is being entered.
inline void enterFrame(SearchFrame& f, int sideToMove, int phase) {
    f.side = uint8_t(sideToMove);
    f.opponent = uint8_t(1 - sideToMove);
    f.sign = int8_t(colour_sign(sideToMove));
    f.phase = uint8_t(phase);
}

// Attack extensions allowed along one path.
constexpr int MaxAttackExtensions = 4;
