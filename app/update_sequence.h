// Writing the update into the installation.
#ifndef QUORLEN_UPDATE_SEQUENCE_H
#define QUORLEN_UPDATE_SEQUENCE_H

// Writes the game executable, then each script with its directories created first, building every
// path from InstallDir (non-empty, through LocateGameExecutable) into TargetPath.
// Returns ExtractDone, or the first other ExtractResult; TargetPath then names the failed path.
// A directory too long for some payload's path is refused before anything is written or created,
// as ExtractCannotOpen, with a visibly shortened form of that path in TargetPath.
int ApplyUpdate();

#endif
