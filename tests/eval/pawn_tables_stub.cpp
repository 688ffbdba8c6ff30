// Stand-ins for the per-file pawn tables until the pawn-structure module is linked in; the
// module's own definitions take precedence over these weak ones.
#include "eval/pawn_structure.h"

__attribute__((weak)) PawnFileEntry PawnFileInfo[2][8];
__attribute__((weak)) uint8_t PawnFront[2][8];
