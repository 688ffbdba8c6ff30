// The game record file (Chess.pgn): the game as PGN-like text in the engine's short algebraic
// notation with English letters, rewritten whole or extended move by move from the game history.
#pragma once

#include <cstdint>

#include "core/game_history.h"

constexpr int GameFileNameSize = 260; // a path as long as Windows allows
constexpr const char* DefaultGameFileName = "Chess.pgn";
// Name of the record file in the working directory, "Chess.pgn" unless the set-up names another.
// Set by the per-game defaults and reset_game_record.
extern char game_file_name[GameFileNameSize];
// Handle of the open record file, -1 when none is open (or it could not be opened: writes are then
// skipped). Set by create_game_record_file, and by the callers of write_game_record from its
// result.
extern int game_file_handle;

// The header's players and date. The players are named by name_game_players at the console's
// set-up ("?" until then); the date is the day the record file was created.
constexpr int PlayerNameSize = 32;
constexpr const char* EngineName = "Talvor";
constexpr const char* HumanName = "Human";
extern char game_white_player[PlayerNameSize];
extern char game_black_player[PlayerNameSize];
extern char game_date[11]; // YYYY.MM.DD, "????.??.??" before a record file was created

// Names the players from the side the engine takes in the game: 'A' both sides, 'B' white, 'N'
// black, 'C' neither.
void name_game_players(uint8_t mode);

// Creates (or truncates) game_file_name and keeps its handle in game_file_handle; the handle of
// an earlier game is closed first; the game's date is today's. Run at every game set-up.
void create_game_record_file();

// Closes oldHandle, reopens fileName (created, truncated) and writes the header with the ply
// count and the result (from the status of the last ply; "*" when that does not end the game)
// and the moves of plies 1..plyCount of history. A game that did not start from the standard
// position also gets its SetUp and FEN tags. Returns the new handle, -1 when the file cannot be
// opened.
int write_game_record(int oldHandle, const char* fileName, const GameHistoryEntry* history,
                      int plyCount);

// The same for a game that goes on (after a take-back): the header of the running record, with
// no ply count and the result "*", so that the moves appended later do not contradict it.
int write_running_game_record(int oldHandle, const char* fileName, const GameHistoryEntry* history,
                              int plyCount);

// Builds the notation of ply GamePly into its history record and, when write is 1, appends it to
// the game record file (with the header first at ply 1). With 0 only the record's text is filled.
void append_game_move(uint8_t write);

// Closes the record file and restores the name and the failure report (tests).
void reset_game_record();
