#include "formats/movie_file_writer.h"

namespace tarn::movie {

int MovieFileWriter::Finish() {
  const HeaderBytes header = MakeMovieHeader(static_cast<std::uint32_t>(file_.FileLength()));
  return file_.Finish(header.data(), header.size());
}

}  // namespace tarn::movie
