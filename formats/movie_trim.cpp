#include "formats/movie_trim.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "formats/byte_source.h"
#include "formats/movie_header.h"
#include "formats/movie_reader.h"

namespace tarn::movie {

std::optional<std::vector<std::uint64_t>> RecordEnds(const std::string& path) {
  FileSource source;
  if (source.Open(path) != 0) return std::nullopt;
  MovieReader reader(source);
  if (reader.Header().state == HeaderState::kDamaged) return std::nullopt;
  std::vector<std::uint64_t> ends;
  while (reader.Next() == ReadStatus::kRecord)
    ends.push_back(reader.Record().offset + kLengthWordBytes + reader.Record().bodyBytes);
  return ends;
}

int TrimMovieFile(const std::string& path, const std::vector<std::uint64_t>& ends, std::size_t records) {
  if (records >= ends.size()) return 0;
  const std::uint64_t length = records == 0 ? kHeaderBytes : ends[records - 1];
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno;
  const HeaderBytes header = MakeMovieHeader(static_cast<std::uint32_t>(length));
  int error = 0;
  // The file is cut before the header names the shorter length, so that a crash in between
  // leaves a header that does not match (an unfinished file), never one that lies.
  if (::ftruncate(fd, static_cast<off_t>(length)) != 0 ||
      ::pwrite(fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size()) || ::fsync(fd) != 0) {
    error = errno != 0 ? errno : EIO;
  }
  ::close(fd);
  return error;
}

}  // namespace tarn::movie
