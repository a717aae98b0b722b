// The part of info and decode that is the same: open a movie, play it record by record and
// collect what is wrong with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/movie_player.h"
#include "formats/movie_reader.h"

namespace tarn::tmvtool {

struct WalkResult {
  bool opened = false;
  movie::HeaderInfo header;
  std::uint64_t fileSize = 0;
  std::uint64_t records = 0;
  std::vector<std::string> faults;      // one line per fault: header, records, cut
  std::uint64_t otherTableRecords = 0;  // appendix words from another encoder's tables: not a fault
  bool Damaged() const { return !faults.empty(); }
};

// Called for each record after the player has played it; false stops the walk (an output error).
using RecordVisitor = std::function<bool(const movie::RecordInfo&, movie::PlayOutcome, const movie::MoviePlayer&)>;

// Calls `onHeader` once the header is read, then plays every record of the movie at `path`.
// Reports an unreadable file, or one that is not a movie at all, on standard error and returns
// with opened false.
using HeaderVisitor = std::function<void(const WalkResult&)>;
WalkResult WalkMovie(const std::string& path, const HeaderVisitor& onHeader, const RecordVisitor& visit);
// The movie a conversion has just written, walked to count and check its records; an empty
// result (not opened, no faults) when it wrote no file.
WalkResult WalkWrittenMovie(const std::string& path);

// "appendix table A block 3, R 1234 matches P, words match the table" and the like.
std::string DescribeAppendix(const movie::RecordInfo& record);
// What is wrong with the record, or an empty text.
std::string RecordFault(const movie::RecordInfo& record, movie::PlayOutcome outcome);

// Prints the faults (and a note on other tables) on standard error, returns the exit code of the walk.
int ReportFaults(const std::string& path, const WalkResult& result);

}  // namespace tarn::tmvtool
