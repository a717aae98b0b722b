#include "tools/tmvtool/movie_walk.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "formats/byte_source.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {

using movie::AppendixState;
using movie::PlayOutcome;
using movie::RecordInfo;

std::string DescribeAppendix(const RecordInfo& record) {
  const movie::AppendixSlot slot = movie::AppendixSlotFor(record.index);
  const char* table = slot.table == movie::AppendixTable::kB ? "B" : "A";
  switch (record.appendix) {
    case AppendixState::kNotExpected:
      return {};
    case AppendixState::kMissing:
      return Tr("appendix table %1 block %2 missing", table, slot.block);
    case AppendixState::kPresent:
      break;
  }
  // The tables are each encoder's own constant data: another encoder's are as sound as ours.
  if (record.MaskWordMatches())
    return record.tableMatches ? Tr("appendix table %1 block %2, R %3 matches P, words match the table", table,
                                    slot.block, record.storedMaskWord)
                               : Tr("appendix table %1 block %2, R %3 matches P, words are another encoder's table",
                                    table, slot.block, record.storedMaskWord);
  return record.tableMatches
             ? Tr("appendix table %1 block %2, R %3 does not match P (expected %4), words match the table", table,
                  slot.block, record.storedMaskWord, record.expectedMaskWord)
             : Tr("appendix table %1 block %2, R %3 does not match P (expected %4), words are another "
                  "encoder's table",
                  table, slot.block, record.storedMaskWord, record.expectedMaskWord);
}

std::string RecordFault(const RecordInfo& record, PlayOutcome outcome) {
  if (record.reservedType) return {};
  if (!record.payloadProblem.empty()) return TrLower(record.payloadProblem);
  if (outcome == PlayOutcome::kKeptDamaged)
    return Tr("the frame cannot be decoded (codes, colours or vectors run out or leave the picture)");
  if (record.appendix == AppendixState::kMissing) return Tr("the appendix is missing");
  if (record.appendix == AppendixState::kPresent && !record.MaskWordMatches())
    return Tr("the appendix word R does not match P");
  return {};
}

WalkResult WalkMovie(const std::string& path, const HeaderVisitor& onHeader, const RecordVisitor& visit) {
  WalkResult result;
  movie::FileSource source;
  if (const int error = source.Open(path); error != 0) {
    PrintError(path + ": " + ErrorText(error));
    return result;
  }
  movie::MovieReader reader(source);
  result.header = reader.Header();
  result.fileSize = reader.FileSize();
  if (result.header.state == movie::HeaderState::kDamaged && !result.header.signature) {
    PrintError(Tr("%1: not a movie file", path));
    return result;
  }
  result.opened = true;
  if (result.header.state == movie::HeaderState::kDamaged)
    result.faults.push_back(Tr("header: %1", TrLower(result.header.problem)));
  onHeader(result);

  auto player = std::make_unique<movie::MoviePlayer>();
  movie::ReadStatus status;
  while ((status = reader.Next()) == movie::ReadStatus::kRecord) {
    const RecordInfo& record = reader.Record();
    const PlayOutcome outcome = player->Play(record, reader.RecordBytes());
    ++result.records;
    if (record.appendix == AppendixState::kPresent && !record.tableMatches) ++result.otherTableRecords;
    if (const std::string fault = RecordFault(record, outcome); !fault.empty()) {
      result.faults.push_back(Tr("record %1 at offset %2: %3", record.index, record.offset, fault));
    }
    if (!visit(record, outcome, *player)) return result;
  }
  if (status == movie::ReadStatus::kCut) result.faults.push_back(reader.CutProblem());
  return result;
}

WalkResult WalkWrittenMovie(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  return WalkMovie(
      path, [](const WalkResult&) {},
      [](const movie::RecordInfo&, movie::PlayOutcome, const movie::MoviePlayer&) { return true; });
}

int ReportFaults(const std::string& path, const WalkResult& result) {
  if (!result.opened) return kExitFailure;
  if (result.header.state == movie::HeaderState::kUnfinished) {
    PrintError(Tr("warning: %1 is unfinished: its header is still zero (the writer did not stop cleanly)", path));
  }
  if (result.otherTableRecords > 0) {
    PrintError(TrCount(result.otherTableRecords,
                       "note: %2: the appendix of %1 record holds another encoder's tables (sound: the tables are "
                       "each encoder's own)",
                       "note: %2: the appendix of %1 records holds another encoder's tables (sound: the tables are "
                       "each encoder's own)",
                       path));
  }
  if (!result.Damaged()) return kExitOk;
  PrintError(Tr("%1 is damaged:", path));
  for (const std::string& fault : result.faults) std::fprintf(stderr, "  %s\n", fault.c_str());
  return kExitFailure;
}

}  // namespace tarn::tmvtool
