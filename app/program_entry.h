// The program's entry, called once by the platform's start-up; its result is the exit code.
#ifndef QUORLEN_PROGRAM_ENTRY_H
#define QUORLEN_PROGRAM_ENTRY_H

#if defined(_WIN32) && !defined(_WIN64)
#define PROGRAM_ENTRY_CALL __stdcall
#else
#define PROGRAM_ENTRY_CALL
#endif

// Uses none of its arguments and always returns 0.
extern "C" int PROGRAM_ENTRY_CALL WinMain(void* instance, void* previousInstance, char* commandLine,
                                          int showCommand);

#endif
