// The Linux stand-in provider. The registry is a folder tree (a key is a folder, a value is a file
// of raw data bytes) under $QUORLEN_REGISTRY_ROOT; message boxes are a terminal dialogue; paths
// arrive with backslash separators and are given to Linux with '/'.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "cp932.h"
#include "host_payloads.h"
#include "platform.h"

enum { HostPathSize = PATH_MAX };

// Turns the separator backslashes of path into '/', leaving double-byte characters whole.
// Returns 0 when the result does not fit.
static int ToHostPath(const char* path, char* hostPath) {
  size_t out = 0;
  for (size_t in = 0; path[in]; ++in) {
    if (out + 2 >= HostPathSize) return 0;
    unsigned char byte = static_cast<unsigned char>(path[in]);
    if (PlatformIsLeadByte(byte) && path[in + 1]) {
      hostPath[out++] = path[in++];
      hostPath[out++] = path[in];
    } else {
      hostPath[out++] = byte == '\\' ? '/' : path[in];
    }
  }
  hostPath[out] = 0;
  return 1;
}

static int RegistryRoot(char* root) {
  const char* configured = getenv("QUORLEN_REGISTRY_ROOT");
  if (configured && *configured) return snprintf(root, HostPathSize, "%s", configured) < HostPathSize;
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config && *config) return snprintf(root, HostPathSize, "%s/quorlen/registry", config) < HostPathSize;
  const char* home = getenv("HOME");
  return snprintf(root, HostPathSize, "%s/.config/quorlen/registry", home ? home : ".") < HostPathSize;
}

static char OpenKeyFolder[HostPathSize];

int PlatformOpenUserKey(const char* keyPath, PlatformKey* key) {
  char root[HostPathSize];
  char hostKey[HostPathSize];
  if (!RegistryRoot(root) || !ToHostPath(keyPath, hostKey)) return 2;
  if (snprintf(OpenKeyFolder, HostPathSize, "%s/HKEY_CURRENT_USER/%s", root, hostKey) >= HostPathSize) return 2;
  struct stat info;
  if (stat(OpenKeyFolder, &info) != 0 || !S_ISDIR(info.st_mode)) return 2;  // ERROR_FILE_NOT_FOUND
  *key = OpenKeyFolder;
  return 0;
}

int PlatformQueryValue(PlatformKey key, const char* valueName, unsigned char* data, uint32_t capacity) {
  char valuePath[HostPathSize];
  if (snprintf(valuePath, HostPathSize, "%s/%s", static_cast<const char*>(key), valueName) >= HostPathSize)
    return 2;
  int fd = open(valuePath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 2;
  unsigned char contents[4096];
  ssize_t got = read(fd, contents, sizeof contents);
  close(fd);
  if (got < 0) return 5;                                  // ERROR_ACCESS_DENIED
  if (static_cast<size_t>(got) > capacity) return 234;   // ERROR_MORE_DATA
  memcpy(data, contents, static_cast<size_t>(got));
  return 0;
}

void PlatformCloseKey(PlatformKey) {}

int PlatformPathExists(const char* path) {
  char hostPath[HostPathSize];
  struct stat info;
  return ToHostPath(path, hostPath) && stat(hostPath, &info) == 0;
}

int PlatformIsLeadByte(unsigned char byte) { return IsCp932LeadByte(byte); }

int PlatformFindPayload(const char* name, const unsigned char** record, uint32_t* size) {
  for (int i = 0; i < HostPayloadCount; ++i) {
    if (strcmp(HostPayloadTable[i].name, name) == 0) {
      *record = HostPayloadTable[i].record;
      *size = HostPayloadTable[i].size;
      return 1;
    }
  }
  return 0;
}

// Prints text converted from code page 932 to UTF-8; bytes that do not convert are shown as \xNN.
static void PrintConverted(const char* text) {
  iconv_t converter = iconv_open("UTF-8", "CP932");
  char* in = const_cast<char*>(text);
  size_t inLeft = strlen(text);
  while (inLeft > 0) {
    char converted[512];
    char* out = converted;
    size_t outLeft = sizeof converted;
    size_t status = converter == reinterpret_cast<iconv_t>(-1)
                        ? static_cast<size_t>(-1)
                        : iconv(converter, &in, &inLeft, &out, &outLeft);
    fwrite(converted, 1, sizeof converted - outLeft, stdout);
    if (status == static_cast<size_t>(-1) && errno != E2BIG && inLeft > 0) {
      printf("\\x%02X", static_cast<unsigned char>(*in));
      ++in;
      --inLeft;
    }
  }
  if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
}

int PlatformShowMessage(const char* text, const char* caption, unsigned style) {
  printf("\n[ ");
  PrintConverted(caption);
  printf(" ]\n");
  PrintConverted(text);
  printf("\n");
  if (style != MessageStyleOkCancelQuestion) {
    printf("[OK]\n");
    fflush(stdout);
    return MessageAnswerOk;
  }
  printf("[OK] [Cancel]  (Enter or \"ok\" = OK, anything else = Cancel): ");
  fflush(stdout);
  char line[256];
  if (!fgets(line, sizeof line, stdin)) return MessageAnswerCancel;
  size_t length = strcspn(line, "\r\n");
  int whole = line[length] != 0 || feof(stdin);
  if (!whole) {  // discard the rest of an overlong line
    int c;
    while ((c = getchar()) != EOF && c != '\n') {
    }
    return MessageAnswerCancel;
  }
  line[length] = 0;
  return (length == 0 || strcasecmp(line, "ok") == 0) ? MessageAnswerOk : MessageAnswerCancel;
}

int PlatformTargetAcceptsWrite(const char* path) {
  char hostPath[HostPathSize];
  if (!ToHostPath(path, hostPath)) return 0;
  struct stat info;
  if (lstat(hostPath, &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) return 0;
  if (S_ISLNK(info.st_mode)) return 1;  // the link itself is replaced, never written through
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;  // no write bit: read-only
}

int PlatformCreateNewFile(const char* path, PlatformFile* file) {
  char hostPath[HostPathSize];
  if (!ToHostPath(path, hostPath)) return CreateFileFailed;
  int fd = open(hostPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? CreateFileExists : CreateFileFailed;
  *file = fd;
  return CreateFileDone;
}

int32_t PlatformWriteFile(PlatformFile file, const unsigned char* bytes, int32_t count) {
  if (count <= 0) return 0;
  ssize_t written = write(static_cast<int>(file), bytes, static_cast<size_t>(count));
  return written > 0 ? static_cast<int32_t>(written) : -1;
}

int PlatformCloseFile(PlatformFile file) {
  int synced = fsync(static_cast<int>(file)) == 0;
  int closed = close(static_cast<int>(file)) == 0;
  return synced && closed;
}

int PlatformReplaceFile(const char* source, const char* target) {
  char hostSource[HostPathSize];
  char hostTarget[HostPathSize];
  if (!ToHostPath(source, hostSource) || !ToHostPath(target, hostTarget)) return 0;
  struct stat info;
  if (lstat(hostTarget, &info) == 0 && S_ISREG(info.st_mode)) chmod(hostSource, info.st_mode & 07777);
  return rename(hostSource, hostTarget) == 0;
}

void PlatformDeleteFile(const char* path) {
  char hostPath[HostPathSize];
  if (ToHostPath(path, hostPath)) unlink(hostPath);
}

void PlatformSetFileTimes(const char* path, int32_t stamp) {
  char hostPath[HostPathSize];
  if (stamp < 0 || !ToHostPath(path, hostPath)) return;
  struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
  utimensat(AT_FDCWD, hostPath, times, 0);
}

int PlatformCreateDirectory(const char* path) {
  char hostPath[HostPathSize];
  return ToHostPath(path, hostPath) && mkdir(hostPath, 0777) == 0;
}
