#include "converter/engine/memory_controls.h"

#include <cstddef>

namespace tarn::conv {

namespace {
constexpr std::size_t kChapterColumns = 4;

std::size_t Index(int row) { return static_cast<std::size_t>(row); }
std::size_t Index(ChapterColumn column) { return static_cast<std::size_t>(column); }
}  // namespace

MemoryControls::MemoryControls()
    : convert_{std::string(kLabelConvert), true}, preview_{std::string(kLabelPreview), true} {}

int MemoryControls::TitleRowCount() const { return static_cast<int>(titles_.size()); }

void MemoryControls::AppendTitleRow(std::string_view text, bool checked) {
  titles_.push_back(Row{{std::string(text)}, checked});
}

void MemoryControls::RemoveTitleRow(int row) {
  if (Has(titles_, row)) titles_.erase(titles_.begin() + row);
}

bool MemoryControls::IsTitleChecked(int row) const { return Has(titles_, row) && titles_[Index(row)].checked; }

void MemoryControls::SetTitleChecked(int row, bool checked) {
  if (Has(titles_, row)) titles_[Index(row)].checked = checked;
}

std::string MemoryControls::TitleText(int row) const {
  return Has(titles_, row) ? titles_[Index(row)].cells.front() : std::string();
}

int MemoryControls::ChapterRowCount() const { return static_cast<int>(chapters_.size()); }

void MemoryControls::ClearChapterRows() { chapters_.clear(); }

void MemoryControls::AppendChapterRow(std::string_view text, bool checked) {
  Row row{std::vector<std::string>(kChapterColumns), checked};
  row.cells[0] = std::string(text);
  chapters_.push_back(std::move(row));
}

bool MemoryControls::IsChapterChecked(int row) const { return Has(chapters_, row) && chapters_[Index(row)].checked; }

void MemoryControls::SetChapterChecked(int row, bool checked) {
  if (Has(chapters_, row)) chapters_[Index(row)].checked = checked;
}

std::string MemoryControls::ChapterCell(int row, ChapterColumn column) const {
  return Has(chapters_, row) ? chapters_[Index(row)].cells[Index(column)] : std::string();
}

void MemoryControls::SetChapterCell(int row, ChapterColumn column, std::string_view text) {
  if (Has(chapters_, row)) chapters_[Index(row)].cells[Index(column)] = std::string(text);
}

void MemoryControls::Select(Choices& choices, int index) {
  const bool valid = index >= 0 && Index(index) < choices.items.size();
  choices.selection = valid ? index : -1;
}

void MemoryControls::ClearSubtitles() { subtitles_ = {}; }
void MemoryControls::AppendSubtitle(std::string_view text) { subtitles_.items.emplace_back(text); }
int MemoryControls::SubtitleSelection() const { return subtitles_.selection; }
void MemoryControls::SelectSubtitle(int index) { Select(subtitles_, index); }
void MemoryControls::ClearAudioStreams() { audio_ = {}; }
void MemoryControls::AppendAudioStream(std::string_view text) { audio_.items.emplace_back(text); }
int MemoryControls::AudioSelection() const { return audio_.selection; }
void MemoryControls::SelectAudioStream(int index) { Select(audio_, index); }

int MemoryControls::SizeLimitPosition() const { return sizeLimitPosition_; }
void MemoryControls::SetSizeLimitPosition(int mebibytes) { sizeLimitPosition_ = mebibytes; }
std::string MemoryControls::LimitBoxText() const { return limitBox_; }
void MemoryControls::SetLimitBoxText(std::string_view text) { limitBox_ = std::string(text); }
std::string MemoryControls::CurrentSizeText() const { return currentSize_; }
void MemoryControls::SetCurrentSizeText(std::string_view text) { currentSize_ = std::string(text); }

std::string MemoryControls::ButtonLabel(ActionButton button) const { return ButtonFor(button).label; }
void MemoryControls::SetButtonLabel(ActionButton button, std::string_view label) {
  ButtonFor(button).label = std::string(label);
}
bool MemoryControls::IsButtonEnabled(ActionButton button) const { return ButtonFor(button).enabled; }
void MemoryControls::EnableButton(ActionButton button, bool enabled) { ButtonFor(button).enabled = enabled; }

void MemoryControls::ShowMessage(std::string_view text, std::string_view caption) {
  messages_.push_back({std::string(text), std::string(caption)});
}

std::optional<std::string> MemoryControls::ChooseSourceFile() {
  if (sourceAnswers_.empty()) return std::nullopt;
  auto answer = std::move(sourceAnswers_.front());
  sourceAnswers_.pop_front();
  return answer;
}

std::optional<std::string> MemoryControls::ChooseOutputFolder(std::string_view /*current*/) {
  if (folderAnswers_.empty()) return std::nullopt;
  auto answer = std::move(folderAnswers_.front());
  folderAnswers_.pop_front();
  return answer;
}

}  // namespace tarn::conv
