#include "tools/tmvtool/movie_walk.h"

#include <cstdio>
#include <memory>

#include "formats/byte_source.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {

using movie::AppendixState;
using movie::PlayOutcome;
using movie::RecordInfo;

std::string DescribeAppendix(const RecordInfo& record) {
  const movie::AppendixSlot slot = movie::AppendixSlotFor(record.index);
  const std::string where = std::string("appendix table ") + (slot.table == movie::AppendixTable::kB ? "B" : "A") +
                            " block " + std::to_string(slot.block);
  switch (record.appendix) {
    case AppendixState::kNotExpected:
      return {};
    case AppendixState::kMissing:
      return where + " missing";
    case AppendixState::kPresent:
      break;
  }
  std::string text = where + ", R " + std::to_string(record.storedMaskWord);
  text += record.MaskWordMatches() ? " matches P"
                                   : " does not match P (expected " + std::to_string(record.expectedMaskWord) + ")";
  // The tables are each encoder's own constant data: another encoder's are as sound as ours.
  text += record.tableMatches ? ", words match the table" : ", words are another encoder's table";
  return text;
}

std::string RecordFault(const RecordInfo& record, PlayOutcome outcome) {
  if (record.reservedType) return {};
  if (!record.payloadProblem.empty()) return record.payloadProblem;
  if (outcome == PlayOutcome::kKeptDamaged)
    return "the frame cannot be decoded (codes, colours or vectors run out or leave the picture)";
  if (record.appendix == AppendixState::kMissing) return "the appendix is missing";
  if (record.appendix == AppendixState::kPresent && !record.MaskWordMatches())
    return "the appendix word R does not match P";
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
    PrintError(path + ": not a movie file");
    return result;
  }
  result.opened = true;
  if (result.header.state == movie::HeaderState::kDamaged) result.faults.push_back("header: " + result.header.problem);
  onHeader(result);

  auto player = std::make_unique<movie::MoviePlayer>();
  movie::ReadStatus status;
  while ((status = reader.Next()) == movie::ReadStatus::kRecord) {
    const RecordInfo& record = reader.Record();
    const PlayOutcome outcome = player->Play(record, reader.RecordBytes());
    ++result.records;
    if (record.appendix == AppendixState::kPresent && !record.tableMatches) ++result.otherTableRecords;
    if (const std::string fault = RecordFault(record, outcome); !fault.empty()) {
      result.faults.push_back("record " + std::to_string(record.index) + " at offset " + std::to_string(record.offset) +
                              ": " + fault);
    }
    if (!visit(record, outcome, *player)) return result;
  }
  if (status == movie::ReadStatus::kCut) result.faults.push_back(reader.CutProblem());
  return result;
}

int ReportFaults(const std::string& path, const WalkResult& result) {
  if (!result.opened) return kExitFailure;
  if (result.header.state == movie::HeaderState::kUnfinished) {
    PrintError("warning: " + path + " is unfinished: its header is still zero (the writer did not stop cleanly)");
  }
  if (result.otherTableRecords > 0) {
    PrintError("note: " + path + ": the appendix of " + std::to_string(result.otherTableRecords) +
               " records holds another encoder's tables (sound: the tables are each encoder's own)");
  }
  if (!result.Damaged()) return kExitOk;
  PrintError(path + " is damaged:");
  for (const std::string& fault : result.faults) std::fprintf(stderr, "  %s\n", fault.c_str());
  return kExitFailure;
}

}  // namespace tarn::tmvtool
