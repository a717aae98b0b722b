#include "converter/cli/segment_report.h"

#include <QString>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "converter/engine/translated_text.h"
#include "converter/engine/output_names.h"

namespace tarn::conv {

namespace {

std::string Padded(unsigned number, int digits) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%0*u", digits, number);
  return text.data();
}

// Terminal columns of one character: two for the wide East Asian ones.
int Columns(char32_t c) {
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                    (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

std::uint32_t Le32(const std::array<unsigned char, 64>& bytes, std::size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::string Clock(double seconds) {
  const auto total = static_cast<long long>(seconds + 0.5);
  std::array<char, 32> text{};
  if (total >= 3600)
    std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text.data(), text.size(), "%lld:%02lld", total / 60, total % 60);
  return text.data();
}

}  // namespace

std::string SegmentLabel(const SegmentInfo& segment, std::string_view source) {
  const std::string title = Padded(static_cast<unsigned>(segment.titleNumber), 2);
  const std::string chapter = Padded(segment.firstChapter, 3);
  std::string label = source.empty() ? Tr("title %1 chapter %2", title, chapter)
                                     : Tr("%1: title %2 chapter %3", source, title, chapter);
  if (segment.chapterCount > 1)
    label += " " + Tr("(chapters %1-%2)", segment.firstChapter, segment.firstChapter + segment.chapterCount - 1);
  return label;
}

std::string FitToColumns(const std::string& text, std::size_t columns) {
  if (columns == 0) return text;
  const QString wide = QString::fromStdString(text);
  std::size_t used = 0;
  QString fitted;
  for (const char32_t c : wide.toStdU32String()) {
    used += static_cast<std::size_t>(Columns(c));
    if (used >= columns) break;
    fitted += QString::fromUcs4(&c, 1);
  }
  return fitted.toStdString();
}

double SoundFileSeconds(const std::string& path) {
  // The header of docs/sound-format.md: "TMS1", the rate at offset 12, the sample frames at 20.
  std::array<unsigned char, 64> header{};
  std::ifstream file(path, std::ios::binary);
  if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) return 0;
  if (header[0] != 'T' || header[1] != 'M' || header[2] != 'S' || header[3] != '1') return 0;
  const std::uint32_t rate = Le32(header, 12);
  return rate == 0 ? 0 : static_cast<double>(Le32(header, 20)) / rate;
}

// The progress line names the source by its last name only, so that the percent and the time
// left still fit the terminal; the lines that stay name it as the user gave it.
std::string SegmentReport::Label(const SegmentInfo& segment, bool shortSource) const {
  if (segment.titlePosition >= sourceOfTitle_.size()) return SegmentLabel(segment);
  const std::filesystem::path source = sourceOfTitle_[segment.titlePosition];
  if (!shortSource || source.filename().empty()) return SegmentLabel(segment, source.string());
  return SegmentLabel(segment, source.filename().string());
}

void SegmentReport::RunPlanned(unsigned chapters) {
  plannedChapters_ = chapters;
  chaptersDone_ = 0;
  runStart_ = std::chrono::steady_clock::now();
  estimate_.Planned(chapters, runStart_);
}

void SegmentReport::ClearProgress() {
  if (!progressShown_) return;
  out_ << "\r\033[K";
  progressShown_ = false;
}

double SegmentReport::RunSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - runStart_).count();
}

void SegmentReport::NamesPassed(const SegmentInfo& segment, int passed) {
  if (detail_ == Detail::Quiet) return;
  ClearProgress();
  out_ << Label(segment) << "  "
       << TrCount(passed, "%1 running number is taken by files already there, which are kept: writing %2",
                  "%1 running numbers are taken by files already there, which are kept: writing %2",
                  segment.names.movie)
       << '\n';
}

void SegmentReport::Progress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib, unsigned chapter) {
  const auto now = std::chrono::steady_clock::now();
  estimate_.At(segment, chapter, now);
  if (progressColumns_ == 0 || detail_ == Detail::Quiet) return;
  std::string line =
      Label(segment, true) + "  " + FormatElapsed(std::chrono::seconds(seconds)) + "  " + Tr("%1 KiB", kib);
  if (plannedChapters_ > 0) {
    const unsigned inSegment = chapter >= segment.firstChapter ? chapter - segment.firstChapter : 0;
    const unsigned current =
        std::min(chaptersDone_ + std::min(inSegment, segment.chapterCount - 1) + 1, plannedChapters_);
    const double done = static_cast<double>(current - 1) / plannedChapters_;
    line += "  " + Tr("chapter %1 of %2", current, plannedChapters_) + "  " + Tr("%1%", static_cast<int>(done * 100));
    if (const auto left = estimate_.TimeLeft(now))
      line += "  " + Tr("%1 left", Clock(static_cast<double>(left->count())));
  }
  out_ << "\r\033[K" << FitToColumns(line, progressColumns_) << std::flush;
  progressShown_ = true;
}

void SegmentReport::SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) {
  ClearProgress();
  chaptersDone_ += segment.chapterCount;
  estimate_.SegmentEnded(segment, std::chrono::steady_clock::now());
  std::error_code error;
  const bool movieWritten = std::filesystem::file_size(segment.names.movie, error) > 0 && !error;
  if (how == SegmentEnd::WriteFailed) {
    ++failed_;
    if (detail_ != Detail::Quiet)
      out_ << Label(segment) << "  " << segment.names.movie << "  "
           << Tr("(not converted: its files could not be written)") << '\n'
           << std::flush;
    return;
  }
  // Counted at the end: the encoders finish their files when the graph stops, after this.
  written_.push_back(segment.names.movie);
  written_.push_back(segment.names.sound);
  std::string line =
      Label(segment) + "  " + result.elapsed + "  " + result.movieFile + "  " + Tr("%1 KiB", result.sizeKiB);
  switch (how) {
    case SegmentEnd::PlayedOut:
      if (movieWritten) {
        ++converted_;
      } else {
        ++failed_;
        line += "  " + Tr("(no movie file was written)");
      }
      break;
    case SegmentEnd::SizeLimit:
      line += "  " + Tr("(stopped by the size limit)");
      break;
    case SegmentEnd::Aborted:
      line += "  " + Tr("(aborted)");
      break;
    case SegmentEnd::NotPlayed:
      ++failed_;
      line += "  " + Tr("(the navigator could not play it)");
      break;
    case SegmentEnd::WriteFailed:
      break;
  }
  if (detail_ == Detail::Verbose) line += "  " + segment.names.sound;
  if (detail_ != Detail::Quiet) out_ << line << '\n' << std::flush;
}

void SegmentReport::PrintSummary() {
  ClearProgress();
  if (detail_ == Detail::Quiet || converted_ + failed_ == 0) return;
  int files = 0;
  std::uint64_t bytes = 0;
  double soundSeconds = 0;  // the length of what was converted
  for (const std::string& file : written_) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size == 0) continue;
    ++files;
    bytes += size;
    soundSeconds += SoundFileSeconds(file);
  }
  const double seconds = RunSeconds();
  std::array<char, 32> mib{}, speed{};
  std::snprintf(mib.data(), mib.size(), "%.1f", static_cast<double>(bytes) / 1048576.0);
  std::snprintf(speed.data(), speed.size(), "%.1f", seconds > 0 ? soundSeconds / seconds : 0.0);
  out_ << Tr("%1: %2, %3 MiB; %4 of sound and pictures in %5, %6 times real time",
             TrCount(converted_, "%1 segment converted", "%1 segments converted"),
             TrCount(files, "%1 file", "%1 files"), mib.data(), Clock(soundSeconds),
             FormatElapsed(std::chrono::seconds(static_cast<long long>(seconds + 0.5))), speed.data())
       << '\n'
       << std::flush;
}

}  // namespace tarn::conv
