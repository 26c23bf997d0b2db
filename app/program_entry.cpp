#include "program_entry.h"

#include "install_lookup.h"
#include "payload_extraction.h"
#include "platform.h"
#include "text_format.h"
#include "texts.h"
#include "update_sequence.h"
#include "updater_state.h"

// Room for the cannot-write text around any path TargetPath can hold.
enum { MessageBufferSize = TargetPathSize + 24 };

static void ShowOutcome(const char* text) { PlatformShowMessage(text, UpdaterCaption, MessageStyleOk); }

extern "C" int PROGRAM_ENTRY_CALL WinMain(void*, void*, char*, int) {
  ReadInstallDir();
  if (InstallDir[0] == 0) {
    ShowOutcome(NotInstalledText);
    return 0;
  }
  if (!LocateGameExecutable(TargetPath, InstallDir)) {
    ShowOutcome(ExecutableNotFoundText);
    return 0;
  }
  if (PlatformShowMessage(ConfirmUpdateText, UpdaterCaption, MessageStyleOkCancelQuestion) != MessageAnswerOk)
    return 0;

  char message[MessageBufferSize];
  switch (ApplyUpdate()) {
    case ExtractDone:
      ShowOutcome(UpdateFinishedText);
      break;
    case ExtractCannotOpen:
      FormatText(message, sizeof message, CannotWriteFormat, TargetPath);
      ShowOutcome(message);
      break;
    case ExtractShortWrite:
      ShowOutcome(DiskFullText);
      break;
    default:  // a missing payload has been reported where it was found missing
      break;
  }
  return 0;
}
