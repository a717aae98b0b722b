// tmvtool info: the header and one line per record.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "tools/tmvtool/movie_walk.h"
#include "tools/tmvtool/sound_file.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {
namespace {

constexpr const char* kUsage = TrNoop(
    "usage: tmvtool info FILE.tmv\n"
    "       tmvtool info FILE.tms\n"
    "\n"
    "Prints the movie header and one line per record: its offset, body length N, payload\n"
    "length P, code bytes K, colour bytes M, vector bytes V, and for records 25-32 and 35-42\n"
    "whether the appendix is present and its word R matches P (its table words are each\n"
    "encoder's own: other words are noted, not a fault). Every record is decoded as the\n"
    "handheld would. Exits with 1 and lists the faults when the file is damaged; an unfinished\n"
    "file (zero header) is reported but is not an error. Of a sound file it prints the header,\n"
    "the length and the mode (codec, channels, rate).\n");

void PrintHeader(const std::string& path, const WalkResult& walk) {
  const movie::HeaderInfo& header = walk.header;
  std::string text = Tr("file: %1\nsize: %2 bytes\n", path, walk.fileSize);
  switch (header.state) {
    case movie::HeaderState::kFinished:
      text += Tr("header: finished: \"Tarn\", file length %1, \"MOVI\", reserved %2, constant %3\n", header.fileLength,
                 header.reserved, header.constant);
      break;
    case movie::HeaderState::kUnfinished:
      text += Tr("header: unfinished: all 512 bytes are zero (the writer did not stop cleanly)\n");
      break;
    case movie::HeaderState::kDamaged:
      text += Tr("header: damaged: %1\n", TrLower(header.problem));
      break;
  }
  std::fputs(text.c_str(), stdout);
}

void PrintRecord(const movie::RecordInfo& record, movie::PlayOutcome outcome) {
  std::string line = Tr("record %1: offset %2, N %3", record.index, record.offset, record.bodyBytes);
  if (record.reservedType) {
    std::printf("%s%s\n", line.c_str(), Tr(", other frame type (skipped, the picture stays)").c_str());
    return;
  }
  line += ", P " + std::to_string(record.payloadBytes);
  if (record.payloadProblem.empty()) {
    line += ", K " + std::to_string(record.codeBytes) + ", M " + std::to_string(record.colourBytes) + ", V " +
            std::to_string(record.vectorBytes);
  }
  if (const std::string appendix = DescribeAppendix(record); !appendix.empty()) line += ", " + appendix;
  if (const std::string fault = RecordFault(record, outcome); !fault.empty()) line += Tr(", DAMAGED: %1", fault);
  std::printf("%s\n", line.c_str());
}

int RunInfo(std::span<const std::string_view> args) {
  if (args.size() != 1 || args[0].starts_with('-')) {
    PrintError(Tr("info takes one movie or sound file (see tmvtool info --help)"));
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
  std::fputs(Tr("records: %1\n", result.records).c_str(), stdout);
  std::fflush(stdout);
  return ReportFaults(path, result);
}

}  // namespace

const Subcommand& InfoSubcommand() {
  static const Subcommand command{"info", TrNoop("describe a movie file (every record) or a sound file"), kUsage,
                                  RunInfo};
  return command;
}

}  // namespace tarn::tmvtool
