// Test helper run beside the updater under Wine: finds the top-level message box with the given
// caption and writes the exact ANSI bytes of its text, then a line per button and icon it has.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

struct Findings {
  char text[1024];
  int textLength;
  bool ok, cancel, icon;
};

static BOOL CALLBACK InspectChild(HWND child, LPARAM parameter) {
  Findings* found = reinterpret_cast<Findings*>(parameter);
  char className[64];
  GetClassNameA(child, className, sizeof className);
  int id = GetDlgCtrlID(child);
  if (id == IDOK) found->ok = true;
  if (id == IDCANCEL) found->cancel = true;
  if (lstrcmpiA(className, "Static") == 0) {
    if (GetWindowLongA(child, GWL_STYLE) & SS_ICON) {
      if (IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0) found->icon = true;
    } else if (found->textLength == 0) {
      found->textLength = GetWindowTextA(child, found->text, sizeof found->text);
    }
  }
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  _setmode(_fileno(stdout), _O_BINARY);  // the text's bytes exactly, line feeds included
  HWND box = FindWindowA("#32770", argv[1]);
  if (!box) return 1;
  Findings found = {};
  EnumChildWindows(box, InspectChild, reinterpret_cast<LPARAM>(&found));
  fwrite(found.text, 1, found.textLength, stdout);
  printf("\n--\nok=%d cancel=%d icon=%d\n", found.ok, found.cancel, found.icon);
  return 0;
}
