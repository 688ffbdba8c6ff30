// Transposition table and pawn table: sizing, store, probe, clearing and hashfull statistics.
//
// Both tables are arrays of 24-byte records split into two halves: the key's index part, masked,
// selects a first slot in the lower half and the second slot at the same offset in the upper
// half. The first slot holds the more valuable record, the second the one demoted from it.
#pragma once

#include <cstdint>

#include "board/types.h"

struct HashRec {
    uint64_t check; // 64-bit part of the position key; 0 in a slot never written
    int16_t score;  // value for the side that moved into the position, mates relative to it
    uint32_t move;  // best reply, 0 when none
    int8_t depth;   // remaining depth in whole plies, -1 from the quiescence search
    uint8_t bound;  // 1 upper, 2 exact, 3 lower
    uint8_t age;    // generation of the write
};

struct HashPawnRec {
    uint64_t check;
    int16_t pawnScore;
    uint8_t passedCount[2];
    uint8_t topPasser[2];
    uint8_t fileMask;
    int16_t castleScore[2];
    int16_t openLineDanger[2];
};

// Written only by sizeHashTables; read everywhere else.
extern HashRec* HashTable;
extern HashPawnRec* PawnTable;
extern uint32_t HashEntries, PawnEntries;
extern uint32_t HashHalf, PawnHalf;
extern uint32_t HashMask, PawnMask;
extern uint8_t HashEntrySize, PawnEntrySize;
extern bool HashEnabled; // a transposition table of non-zero size exists

// Sizing settings: set by start-up defaults, the Hash option and the console dialogue.
extern int16_t HashMegabytes;     // transposition table size in megabytes (64)
extern int16_t pawn_hash_setting; // second sizing setting (8)

// Statistics behind the hashfull report: counted by hashStore and hashProbe, cleared by
// resetHashStatistics after each report.
extern uint32_t HashStores;      // stores made
extern uint32_t HashStaleStores; // stores that found another position of an older generation
extern uint32_t HashHitsFirst;   // probes matched in the first slot
extern uint32_t HashHitsSecond;  // probes matched in the second slot

// Bound kinds of a record.
constexpr uint8_t BoundUpper = 1;
constexpr uint8_t BoundExact = 2;
constexpr uint8_t BoundLower = 3;

// Probe codes.
constexpr uint8_t ProbeMiss = 'c';    // no record for this key
constexpr uint8_t ProbeExact = 1;     // deep enough, exact value
constexpr uint8_t ProbeShallow = 2;   // too shallow: only the move is to be trusted
constexpr uint8_t ProbeBound = 3;     // deep enough, upper or lower bound
constexpr uint8_t ProbeBoundUsed = 4; // set by the search: a bound that decided the move

// Largest Hash setting sized as asked; larger ones would overflow the byte count.
constexpr int HashMegabytesLimit = 2047;
// What a Hash setting above HashMegabytesLimit is sized as (the announced maximum).
constexpr int HashMegabytesFallback = 256;
// Fixed number of pawn-table records: the largest power of two within 8 MB of records.
constexpr uint32_t PawnTableEntries = 262144;

// (Re)allocates both tables from HashMegabytes, regenerates the key tables and, in UCI mode,
// reports the sizes. A resize discards every record.
void sizeHashTables();
// Releases both tables (program exit); HashEnabled becomes false.
void freeHashTables();
// Zero-fills the transposition table (ucinewgame). The pawn table is kept.
void clearHashTable();
// Zero-fills the pawn table (the bench starts every position from empty tables).
void clearPawnTable();

// Generation of the current search: GamePly masked with 0x88, changing every 8 plies.
uint8_t hashGeneration();

// Stores a search result for the position with this key. Mate scores are made relative to the
// position using SearchPly; marker moves and the null move are stored as 0.
void hashStore(const KeyPair& key, int16_t score, int16_t depth, uint8_t bound, MOVE move);

// Asks the memory system for both slots of a key32 without waiting for them: a probe that comes
// a little later then finds them in the cache instead of stalling on main memory.
void hashPrefetch(uint32_t key32);

// Looks the key up. Returns the probe code, also written to result. On a hit writes move,
// score (mates made relative to SearchPly), bound and storedDepth; on a miss sets move to 0.
uint8_t hashProbe(const KeyPair& key, int depth, uint8_t& result, MOVE& move, int16_t& score,
                  uint8_t& bound, int8_t& storedDepth);

// Makes the pawn-structure summary of node's ply state (and its file mask) valid, from the pawn
// table or by evaluating the pawns and storing the result. With pawns and kings only the pawns
// are always evaluated first, so that the per-file table is current. Without a pawn table (its
// allocation failed) every call evaluates afresh.
void pawnHashProbe(SearchNode& node);

// hashfull figure in permill from the store counters.
int hashFullPermill();
// Clears the four statistics counters (after each report).
void resetHashStatistics();
