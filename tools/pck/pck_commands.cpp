#include "pck_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>

#include "record_codec.h"
#include "stream_encoder.h"

namespace pck {
namespace {

const char Usage[] =
    "usage: pck pack INPUT OUTPUT [--stamp SECONDS] [-1 .. -9]\n"
    "       pck unpack RECORD OUTPUT\n"
    "       pck info RECORD\n"
    "\n"
    "pack    compresses INPUT into a payload record for the updater. The stamp (seconds since\n"
    "        1970-01-01 00:00:00 UTC) becomes the written file's time; it defaults to INPUT's\n"
    "        last-write time. -1 is fastest, -9 (the default) packs smallest. The record is\n"
    "        decoded and compared with INPUT before it is written.\n"
    "unpack  writes the bytes a record decodes to.\n"
    "info    prints a record's stream length, stamp and decoded length.\n";

struct Failure {
  std::string message;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw Failure{"cannot open " + path + " for reading"};
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw Failure{"cannot read " + path};
  return bytes;
}

// Writes beside path and renames, so a failure never leaves a partial OUTPUT.
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string temporary = path + ".pck-partial";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) throw Failure{"cannot create " + temporary};
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::remove(temporary.c_str());
      throw Failure{"cannot write " + path};
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw Failure{"cannot write " + path};
  }
}

std::int32_t ParseStamp(const std::string& text) {
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used, 10);
  } catch (...) {
    used = 0;
  }
  if (used != text.size() || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    throw Failure{"--stamp needs whole seconds from -2147483648 to 2147483647, not '" + text + "'"};
  return static_cast<std::int32_t>(value);
}

std::int32_t LastWriteStamp(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) throw Failure{"cannot read the time of " + path};
  if (info.st_mtime < 0 || info.st_mtime > std::numeric_limits<std::int32_t>::max())
    throw Failure{"the last-write time of " + path + " does not fit a record's stamp; give --stamp"};
  return static_cast<std::int32_t>(info.st_mtime);
}

std::string DescribeStamp(std::int32_t stamp) {
  std::time_t seconds = stamp;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return std::to_string(stamp) + " (" + text + ")";
}

// A progress line on a terminal, once packing has taken more than a moment.
ProgressFunction TerminalProgress(std::ostream& err) {
  if (!isatty(STDERR_FILENO)) return nullptr;
  auto start = std::chrono::steady_clock::now();
  return [&err, start, shown = false](std::size_t done, std::size_t total) mutable {
    if (!shown && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500)) return;
    shown = true;
    err << "\rpacking " << (total ? done * 100 / total : 100) << "%" << (done == total ? "\n" : "") << std::flush;
  };
}

int Pack(const std::vector<std::string>& args, std::ostream& err) {
  std::vector<std::string> files;
  std::optional<std::int32_t> stamp;
  int level = DefaultLevel;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--stamp") {
      if (i + 1 == args.size()) throw Failure{"--stamp needs a value"};
      stamp = ParseStamp(args[++i]);
    } else if (arg.size() == 2 && arg[0] == '-' && arg[1] >= '1' && arg[1] <= '9') {
      level = arg[1] - '0';
    } else if (!arg.empty() && arg[0] == '-') {
      throw Failure{"unknown option " + arg};
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) throw Failure{"pack needs INPUT and OUTPUT"};
  std::vector<std::uint8_t> input = ReadWholeFile(files[0]);
  if (input.size() > MaxDecodedSize)
    throw Failure{files[0] + " has " + std::to_string(input.size()) + " bytes; the updater holds at most " +
                  std::to_string(MaxDecodedSize)};
  std::int32_t timeStamp = stamp ? *stamp : LastWriteStamp(files[0]);
  std::vector<std::uint8_t> record = BuildRecord(EncodeStream(input, level, TerminalProgress(err)), timeStamp);

  DecodedRecord check;
  std::string fault = DecodeRecord(record, check);
  if (!fault.empty() || check.content != input)
    throw Failure{"internal error: the packed record does not decode back to " + files[0] + "; nothing written"};
  WriteWholeFile(files[1], record);
  return 0;
}

DecodedRecord ReadRecord(const std::string& path) {
  DecodedRecord decoded;
  std::string fault = DecodeRecord(ReadWholeFile(path), decoded);
  if (!fault.empty()) throw Failure{path + ": " + fault};
  return decoded;
}

int Unpack(const std::vector<std::string>& args) {
  if (args.size() != 2) throw Failure{"unpack needs RECORD and OUTPUT"};
  WriteWholeFile(args[1], ReadRecord(args[0]).content);
  return 0;
}

int Info(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 1) throw Failure{"info needs RECORD"};
  DecodedRecord decoded = ReadRecord(args[0]);
  out << "stream length:  " << decoded.streamLength << " bytes\n"
      << "stamp:          " << DescribeStamp(decoded.timeStamp) << "\n"
      << "decoded length: " << decoded.content.size() << " bytes\n";
  return 0;
}

}  // namespace

int RunPck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << Usage;
    return 2;
  }
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "--help" || command == "-h" || command == "help") {
      out << Usage;
      return 0;
    }
    if (command == "pack") return Pack(rest, err);
    if (command == "unpack") return Unpack(rest);
    if (command == "info") return Info(rest, out);
    err << "pck: unknown command '" << command << "'\n\n" << Usage;
    return 2;
  } catch (const Failure& failure) {
    err << "pck: " << failure.message << "\n";
    return 1;
  } catch (const std::exception& exception) {
    err << "pck: " << exception.what() << "\n";
    return 1;
  }
}

}  // namespace pck
