// Everything the updater shows, as code page 932 bytes; a line break is a single 0x0A.
#ifndef QUORLEN_TEXTS_H
#define QUORLEN_TEXTS_H

extern const char UpdaterCaption[];
extern const char NotInstalledText[];
extern const char ExecutableNotFoundText[];
extern const char ConfirmUpdateText[];
extern const char UpdateFinishedText[];
extern const char CannotWriteFormat[];  // "%s" stands for the path
extern const char DiskFullText[];

#endif
