#include "converter/cli/segment_report.h"

#include <filesystem>

#include "converter/engine/output_names.h"
#include "converter/engine/work_list_editing.h"

namespace tarn::conv {

std::string SegmentLabel(const SegmentInfo& segment) {
  std::string label = TitleRowText(segment.titleNumber) + " " + ChapterRowText(segment.firstChapter);
  if (segment.chapterCount > 1)
    label += " (chapters " + std::to_string(segment.firstChapter) + "-" +
             std::to_string(segment.firstChapter + segment.chapterCount - 1) + ")";
  return label;
}

void SegmentReport::ClearProgress() {
  if (!progressShown_) return;
  out_ << "\r\033[K";
  progressShown_ = false;
}

void SegmentReport::Progress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib) {
  if (!progressLine_) return;
  out_ << "\r\033[K" << SegmentLabel(segment) << "  " << FormatElapsed(std::chrono::seconds(seconds)) << "  " << kib
       << " KiB  转换中..." << std::flush;
  progressShown_ = true;
}

void SegmentReport::SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) {
  ClearProgress();
  std::error_code error;
  const bool movieWritten = std::filesystem::file_size(segment.names.movie, error) > 0 && !error;
  if (how == SegmentEnd::WriteFailed) {
    ++failed_;
    out_ << SegmentLabel(segment) << "  " << segment.names.movie << "  (not converted: its files could not be written)\n"
         << std::flush;
    return;
  }
  out_ << SegmentLabel(segment) << "  " << result.elapsed << "  " << result.movieFile << "  " << result.sizeKiB
       << " KiB";
  switch (how) {
    case SegmentEnd::PlayedOut:
      if (movieWritten) {
        ++converted_;
      } else {
        ++failed_;
        out_ << "  (no movie file was written)";
      }
      break;
    case SegmentEnd::SizeLimit:
      out_ << "  (stopped by the size limit)";
      break;
    case SegmentEnd::Aborted:
      out_ << "  (aborted)";
      break;
    case SegmentEnd::NotPlayed:
      ++failed_;
      out_ << "  (the navigator could not play it)";
      break;
    case SegmentEnd::WriteFailed:
      break;
  }
  out_ << '\n' << std::flush;
}

}  // namespace tarn::conv
