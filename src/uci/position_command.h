// The UCI position command: set-up from SetupBoard, replay of the moves, legality of the result.
#pragma once

// Applies the position collected by the dispatcher for the current line.
void apply_position();
