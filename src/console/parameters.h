// The console parameters questionnaire (one pass of defaults in UCI mode).
#pragma once

// Console: runs the questionnaire until the parameters and the start position are accepted.
// UCI: one pass of the per-game defaults. Both end by creating the game record file.
void parameters_dialogue();
