// Transposition table and pawn table: sizing, store, probe, clearing and hashfull statistics.
#pragma once

#include <cstdint>

#include "board/types.h"

struct HashRec {
    uint64_t check;
    int16_t score;
    uint32_t move;
    int8_t depth;
    uint8_t bound; // 1 upper, 2 exact, 3 lower
    uint8_t age;
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

// (Re)allocates both tables from HashMegabytes; reports the sizes in UCI mode.
void sizeHashTables();
// Zero-fills the transposition table (ucinewgame).
void clearHashTable();
