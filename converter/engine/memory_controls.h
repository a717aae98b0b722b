// Controls kept in memory: what the command line drives and what tests inspect. Dialog answers
// are queued beforehand; messages are kept in the order shown.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "converter/engine/converter_controls.h"

namespace tarn::conv {

class MemoryControls : public ConverterControls {
 public:
  struct Message {
    std::string text;
    std::string caption;
  };

  MemoryControls();

  int TitleRowCount() const override;
  void AppendTitleRow(std::string_view text, bool checked) override;
  void RemoveTitleRow(int row) override;
  bool IsTitleChecked(int row) const override;
  void SetTitleChecked(int row, bool checked) override;
  std::string TitleText(int row) const;

  int ChapterRowCount() const override;
  void ClearChapterRows() override;
  void AppendChapterRow(std::string_view text, bool checked) override;
  bool IsChapterChecked(int row) const override;
  void SetChapterChecked(int row, bool checked) override;
  std::string ChapterCell(int row, ChapterColumn column) const override;
  void SetChapterCell(int row, ChapterColumn column, std::string_view text) override;

  void ClearSubtitles() override;
  void AppendSubtitle(std::string_view text) override;
  int SubtitleSelection() const override;
  void SelectSubtitle(int index) override;
  void ClearAudioStreams() override;
  void AppendAudioStream(std::string_view text) override;
  int AudioSelection() const override;
  void SelectAudioStream(int index) override;

  int SizeLimitPosition() const override;
  void SetSizeLimitPosition(int mebibytes) override;
  std::string LimitBoxText() const override;
  void SetLimitBoxText(std::string_view text) override;
  std::string CurrentSizeText() const override;
  void SetCurrentSizeText(std::string_view text) override;

  std::string ButtonLabel(ActionButton button) const override;
  void SetButtonLabel(ActionButton button, std::string_view label) override;
  bool IsButtonEnabled(ActionButton button) const override;
  void EnableButton(ActionButton button, bool enabled) override;

  void ShowMessage(std::string_view text, std::string_view caption) override;
  std::optional<std::string> ChooseSourceFile() override;
  std::optional<std::string> ChooseOutputFolder(std::string_view current) override;

  const std::vector<Message>& Messages() const { return messages_; }
  const std::vector<std::string>& SubtitleItems() const { return subtitles_.items; }
  const std::vector<std::string>& AudioItems() const { return audio_.items; }
  // Answers for the next dialogs; an empty queue answers "cancelled".
  void QueueSourceFile(std::optional<std::string> answer) { sourceAnswers_.push_back(std::move(answer)); }
  void QueueOutputFolder(std::optional<std::string> answer) { folderAnswers_.push_back(std::move(answer)); }

 private:
  struct Row {
    std::vector<std::string> cells;
    bool checked = false;
  };
  struct Button {
    std::string label;
    bool enabled = true;
  };
  struct Choices {
    std::vector<std::string> items;
    int selection = -1;
  };

  static bool Has(const std::vector<Row>& rows, int row) {
    return row >= 0 && static_cast<std::size_t>(row) < rows.size();
  }
  static void Select(Choices& choices, int index);
  Button& ButtonFor(ActionButton button) { return button == ActionButton::Convert ? convert_ : preview_; }
  const Button& ButtonFor(ActionButton button) const { return button == ActionButton::Convert ? convert_ : preview_; }

  std::vector<Row> titles_;
  std::vector<Row> chapters_;
  Choices subtitles_;
  Choices audio_;
  int sizeLimitPosition_ = 512;
  std::string limitBox_ = "512";
  std::string currentSize_ = "0";
  Button convert_;
  Button preview_;
  std::vector<Message> messages_;
  std::deque<std::optional<std::string>> sourceAnswers_;
  std::deque<std::optional<std::string>> folderAnswers_;
};

}  // namespace tarn::conv
