// tmvtool info: the header and one line per record.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "tools/tmvtool/movie_walk.h"
#include "tools/tmvtool/sound_file.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {
namespace {

constexpr std::string_view kUsage =
    "usage: tmvtool info FILE.tmv\n"
    "       tmvtool info FILE.tms\n"
    "\n"
    "Prints the movie header and one line per record: its offset, body length N, payload\n"
    "length P, code bytes K, colour bytes M, vector bytes V, and for records 25-32 and 35-42\n"
    "whether the appendix is present and its word R matches P (its table words are each\n"
    "encoder's own: other words are noted, not a fault). Every record is decoded as the\n"
    "handheld would. Exits with 1 and lists the faults when the file is damaged; an unfinished\n"
    "file (zero header) is reported but is not an error. Of a sound file it prints the header,\n"
    "the length and the mode (codec, channels, rate).\n";

void PrintHeader(const std::string& path, const WalkResult& walk) {
  const movie::HeaderInfo& header = walk.header;
  std::printf("file: %s\nsize: %" PRIu64 " bytes\n", path.c_str(), walk.fileSize);
  switch (header.state) {
    case movie::HeaderState::kFinished:
      std::printf("header: finished: \"Tarn\", file length %" PRIu32 ", \"MOVI\", reserved %" PRIu32
                  ", constant %" PRIu32 "\n",
                  header.fileLength, header.reserved, header.constant);
      break;
    case movie::HeaderState::kUnfinished:
      std::printf("header: unfinished: all 512 bytes are zero (the writer did not stop cleanly)\n");
      break;
    case movie::HeaderState::kDamaged:
      std::printf("header: damaged: %s\n", header.problem.c_str());
      break;
  }
}

void PrintRecord(const movie::RecordInfo& record, movie::PlayOutcome outcome) {
  std::printf("record %" PRIu64 ": offset %" PRIu64 ", N %zu", record.index, record.offset, record.bodyBytes);
  if (record.reservedType) {
    std::printf(", other frame type (skipped, the picture stays)\n");
    return;
  }
  std::printf(", P %zu", record.payloadBytes);
  if (record.payloadProblem.empty()) {
    std::printf(", K %zu, M %zu, V %zu", record.codeBytes, record.colourBytes, record.vectorBytes);
  }
  if (const std::string appendix = DescribeAppendix(record); !appendix.empty()) std::printf(", %s", appendix.c_str());
  if (const std::string fault = RecordFault(record, outcome); !fault.empty())
    std::printf(", DAMAGED: %s", fault.c_str());
  std::printf("\n");
}

int RunInfo(std::span<const std::string_view> args) {
  if (args.size() != 1 || args[0].starts_with('-')) {
    PrintError("info takes one movie or sound file (see tmvtool info --help)");
    return kExitUsage;
  }
  const std::string path(args[0]);
  if (IsSoundFile(path)) return PrintSoundInfo(path);
  const WalkResult result = WalkMovie(
      path, [&](const WalkResult& walk) { PrintHeader(path, walk); },
      [](const movie::RecordInfo& record, movie::PlayOutcome outcome, const movie::MoviePlayer&) {
        PrintRecord(record, outcome);
        return true;
      });
  if (!result.opened) return kExitFailure;
  std::printf("records: %" PRIu64 "\n", result.records);
  std::fflush(stdout);
  return ReportFaults(path, result);
}

}  // namespace

const Subcommand& InfoSubcommand() {
  static const Subcommand command{"info", "describe a movie file (every record) or a sound file", kUsage, RunInfo};
  return command;
}

}  // namespace tarn::tmvtool
