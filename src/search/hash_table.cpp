#include "search/hash_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/keys.h"
#include "board/position.h"
#include "core/output.h"
#include "core/settings.h"
#include "eval/pawn_structure.h"
#include "platform/platform.h"

HashRec* HashTable = nullptr;
HashPawnRec* PawnTable = nullptr;
uint32_t HashEntries = 0, PawnEntries = 0;
uint32_t HashHalf = 0, PawnHalf = 0;
uint32_t HashMask = 0, PawnMask = 0;
uint8_t HashEntrySize = 24, PawnEntrySize = 24;
bool HashEnabled = false;
int16_t HashMegabytes = 64;
int16_t pawn_hash_setting = 8;

uint32_t HashStores = 0;
uint32_t HashStaleStores = 0;
uint32_t HashHitsFirst = 0;
uint32_t HashHitsSecond = 0;

static_assert(sizeof(HashRec) == 24, "transposition records are sized as 24 bytes");
static_assert(sizeof(HashPawnRec) == 24, "pawn records are sized as 24 bytes");

namespace {

constexpr int MateThreshold = 8500;

// Largest power of two not above candidates, counting from 4 upwards; 2 below 4.
uint32_t power_of_two_entries(int64_t candidates) {
    if (candidates < 4) return 2;
    uint32_t entries = 4;
    while (int64_t(entries) * 2 <= candidates) entries *= 2;
    return entries;
}

// Megabytes actually sized: negative settings give no table, settings whose byte count would
// not fit 32-bit arithmetic fall back to the announced maximum.
int32_t sized_megabytes(int megabytes) {
    if (megabytes < 0) return 0;
    if (megabytes > HashMegabytesLimit) return HashMegabytesFallback;
    return megabytes;
}

void write_record(HashRec& rec, const KeyPair& key, int16_t score, int16_t depth, uint8_t bound,
                  MOVE move) {
    rec.score = score;
    rec.bound = bound;
    rec.depth = int8_t(depth);
    rec.move = move;
    rec.check = key.key64;
    rec.age = hashGeneration();
}

// Starts loading the cache lines of a record (a 24-byte record may straddle two lines).
template <typename Record> void prefetch_record(const Record* rec) {
    const char* bytes = reinterpret_cast<const char*>(rec);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + sizeof(Record) - 1);
}

} // namespace

void hashPrefetch(uint32_t key32) {
    if (!HashEnabled) return;
    const HashRec* first = &HashTable[key32 & HashMask];
    prefetch_record(first);
    prefetch_record(first + HashHalf);
}

uint8_t hashGeneration() {
    return uint8_t(GamePly & 0x88);
}

void freeHashTables() {
    platform_free_large(HashTable);
    platform_free_large(PawnTable);
    HashTable = nullptr;
    PawnTable = nullptr;
    HashEnabled = false;
}

void sizeHashTables() {
    HashEntrySize = 24;
    PawnEntrySize = 24;
    const int32_t bytes = sized_megabytes(HashMegabytes) * (int32_t(1) << 20);
    HashEntries = power_of_two_entries(bytes / HashEntrySize);
    PawnEntries = PawnTableEntries;
    HashHalf = HashEntries / 2;
    HashMask = HashHalf - 1;
    PawnHalf = PawnEntries / 2;
    PawnMask = PawnHalf - 1;

    freeHashTables();
    initKeys();

    if (HashEntries > 10)
        HashTable = static_cast<HashRec*>(platform_alloc_large(HashEntries * sizeof(HashRec)));
    PawnTable = static_cast<HashPawnRec*>(platform_alloc_large(PawnEntries * sizeof(HashPawnRec)));
    HashEnabled = HashTable != nullptr;

    if (uci_mode) {
        char text[64];
        std::snprintf(text, sizeof text, "Hash table size : %d",
                      int((uint64_t(HashEntries) * HashEntrySize) >> 20));
        send_info(text);
        std::snprintf(text, sizeof text, "Hash pawn-table size : %d",
                      int((uint64_t(PawnEntrySize) * PawnEntries) >> 20));
        send_info(text);
    }
}

void clearHashTable() {
    if (HashTable) std::memset(HashTable, 0, size_t(HashEntries) * sizeof(HashRec));
}

void clearPawnTable() {
    if (PawnTable) std::memset(PawnTable, 0, size_t(PawnEntries) * sizeof(HashPawnRec));
}

void hashStore(const KeyPair& key, int16_t score, int16_t depth, uint8_t bound, MOVE move) {
    if (!HashEnabled) return;
    if ((move & NotRealMoveMask) != 0) move = 0;
    if (score < -MateThreshold)
        score = int16_t(score + 1 - SearchPly);
    else if (score > MateThreshold)
        score = int16_t(score + SearchPly - 1);

    ++HashStores;
    HashRec* first = &HashTable[uint32_t(key.key32) & HashMask];
    HashRec* second = first + HashHalf;
    const uint8_t generation = hashGeneration();

    // A slot never written holds nothing worth keeping, whatever generation is running: it is
    // not current, so even a quiescence record (depth -1) finds room in a fresh table.
    const bool firstCurrent = first->check != 0 && first->age == generation;
    const bool secondCurrent = second->check != 0 && second->age == generation;
    if (first->check == key.key64) {
        write_record(*first, key, score, depth, bound, move);
    } else if (!firstCurrent) {
        ++HashStaleStores;
        if (!secondCurrent) *second = *first;
        write_record(*first, key, score, depth, bound, move);
    } else if (depth > first->depth) {
        if (!(secondCurrent && second->depth >= depth)) *second = *first;
        write_record(*first, key, score, depth, bound, move);
    } else if (!(secondCurrent && second->depth > depth)) {
        write_record(*second, key, score, depth, bound, move);
    }
}

uint8_t hashProbe(const KeyPair& key, int depth, uint8_t& result, MOVE& move, int16_t& score,
                  uint8_t& bound, int8_t& storedDepth) {
    const HashRec* rec = nullptr;
    if (HashEnabled) {
        const HashRec* first = &HashTable[uint32_t(key.key32) & HashMask];
        const HashRec* second = first + HashHalf;
        if (first->check == key.key64) {
            rec = first;
            ++HashHitsFirst;
        } else if (second->check == key.key64) {
            rec = second;
            ++HashHitsSecond;
        }
    }
    if (!rec) {
        move = 0;
        result = ProbeMiss;
        return result;
    }

    move = rec->move;
    storedDepth = rec->depth;
    bound = rec->bound & 3;
    if (rec->depth < depth)
        result = ProbeShallow;
    else
        result = bound == BoundExact ? ProbeExact : ProbeBound;

    int16_t value = rec->score;
    if (value < -MateThreshold)
        value = int16_t(value + SearchPly - 1);
    else if (value > MateThreshold)
        value = int16_t(value - SearchPly + 1);
    score = value;
    return result;
}

namespace {

// Copies the pawn-structure summary between a ply state and a pawn record (same field names).
template <typename From, typename To> void copy_summary(const From& from, To& to) {
    to.pawnScore = from.pawnScore;
    to.fileMask = from.fileMask;
    for (int colour = 0; colour < 2; ++colour) {
        to.passedCount[colour] = from.passedCount[colour];
        to.topPasser[colour] = from.topPasser[colour];
        to.castleScore[colour] = from.castleScore[colour];
        to.openLineDanger[colour] = from.openLineDanger[colour];
    }
}

// Runs the pawn-structure evaluation and condenses its per-file table into the file mask.
void evaluate_summary(SearchNode& node) {
    evaluate_pawns(node);
    node.state->fileMask = pawn_file_mask();
}

} // namespace

void pawnHashProbe(SearchNode& node) {
    PlyState& st = *node.state;
    if (st.phase == 3) evaluate_summary(node);

    const KeyPair key = pawnKingKey();
    if (!PawnTable) {
        // Without a pawn table every probe evaluates afresh.
        evaluate_summary(node);
        return;
    }
    HashPawnRec* first = &PawnTable[uint32_t(key.key32) & PawnMask];
    HashPawnRec* second = first + PawnHalf;
    if (first->check == key.key64) {
        copy_summary(*first, st);
        return;
    }
    if (second->check == key.key64) {
        copy_summary(*second, st);
        return;
    }

    evaluate_summary(node);
    if (first->check != 0) *second = *first;
    first->check = key.key64;
    copy_summary(st, *first);
}

int hashFullPermill() {
    const double used = 1.0 - double(HashStaleStores) / (double(HashStores) + 1.0);
    return int(used * 1000.0);
}

void resetHashStatistics() {
    HashStores = 0;
    HashStaleStores = 0;
    HashHitsFirst = 0;
    HashHitsSecond = 0;
}
