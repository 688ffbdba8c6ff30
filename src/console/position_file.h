// Position file (chessbd.pos and the like) and the square-by-square position entry.
#pragma once

// Name of the position file the console game starts from: "chessbd.pos" by default, replaced by
// the questionnaire's answer or by the name typed at the end of enter_position.
constexpr int PositionFileNameSize = 32;
extern char position_file_name[PositionFileNameSize];

// Places a position on SetupBoard: the standard start when name is null or standard_start is set,
// else the named 64- or 216-byte file. False when the file cannot be read or is not a position.
// A position equal to the standard start sets standard_start and full castling rights.
bool read_position_file(const char* name);

// Results of the position entry dialogue.
constexpr int EntryDone = 0;         // file written, its name in position_file_name
constexpr int EntryCannotCreate = 2; // the file could not be created

// Asks the 64 squares and a file name on the keyboard, writes the position to that file in the
// English letter set and makes its name position_file_name. Returns one of the codes above (the
// program ends when the keyboard ends before the entry is done).
int enter_position_dialogue();

// The console's position entry: the dialogue above; when the file cannot be written the program
// ends as with the quit command.
void enter_position();
