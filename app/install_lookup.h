// Finding the installed game.
#ifndef QUORLEN_INSTALL_LOOKUP_H
#define QUORLEN_INSTALL_LOOKUP_H

// Reads the installation directory from the registry into InstallDir, leaving it empty when the
// value cannot be read, is empty, or fills the buffer without a terminating NUL.
// Returns 0 when the key cannot be opened, else 1.
int ReadInstallDir();

// Removes one trailing backslash from installDir (non-empty, NUL-terminated) in place, puts the
// game executable's path in destination (260 bytes) and returns 1 when that path exists.
// A directory too long for the path counts as not found and leaves destination empty.
int LocateGameExecutable(char* destination, char* installDir);

#endif
