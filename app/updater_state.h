// The run's fixed buffers.
#ifndef QUORLEN_UPDATER_STATE_H
#define QUORLEN_UPDATER_STATE_H

enum { InstallDirSize = 260, TargetPathSize = 260 };

// The installation directory from the registry; empty means the game is not installed.
extern char InstallDir[InstallDirSize];
// The path of the file being tested or written; after the update, the last one attempted.
extern char TargetPath[TargetPathSize];

#endif
