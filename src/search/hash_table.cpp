#include "search/hash_table.h"

HashRec* HashTable = nullptr;
HashPawnRec* PawnTable = nullptr;
uint32_t HashEntries = 0, PawnEntries = 0;
uint32_t HashHalf = 0, PawnHalf = 0;
uint32_t HashMask = 0, PawnMask = 0;
uint8_t HashEntrySize = 24, PawnEntrySize = 24;
bool HashEnabled = false;
int16_t HashMegabytes = 64;
int16_t pawn_hash_setting = 8;
