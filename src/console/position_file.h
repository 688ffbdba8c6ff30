// Position file (chessbd.pos and the like) and the square-by-square position entry.
#pragma once

// Places a position on SetupBoard: the standard start when name is null or standard_start is set,
// else the named 64- or 216-byte file. False when the file cannot be read or is not a position.
bool read_position_file(const char* name);
