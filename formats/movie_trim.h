// Reading where the records of a movie file end, and cutting a finished movie file back to its
// first records (a conversion stopped by the size limit keeps only what fits the card).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn::movie {

// The file length after each whole record of the movie at `path`: element i is the length of a
// file that holds records 0..i. None when the file cannot be opened or its header is damaged.
std::optional<std::vector<std::uint64_t>> RecordEnds(const std::string& path);

// Keeps the first `records` records of the finished movie at `path` and writes the header for
// the shorter file. `ends` are the file's RecordEnds. Returns 0 or an errno value.
int TrimMovieFile(const std::string& path, const std::vector<std::uint64_t>& ends, std::size_t records);

}  // namespace tarn::movie
