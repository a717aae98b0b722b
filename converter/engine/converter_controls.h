// The controls of the main window that the conversion engine reads and sets. The Qt window and
// the command line implement this, so both drive the same engine code.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::conv {

// Columns of the chapter list.
enum class ChapterColumn { Chapter = 0, Elapsed = 1, File = 2, Size = 3 };

enum class ActionButton { Convert, Preview };

// Labels of the two action buttons.
inline constexpr std::string_view kLabelConvert = "转换";   // convert
inline constexpr std::string_view kLabelPreview = "预览";   // preview
inline constexpr std::string_view kLabelAbort = "中止";     // abort
inline constexpr std::string_view kLabelContinue = "继续";  // continue after the size limit

class ConverterControls {
 public:
  virtual ~ConverterControls() = default;

  // Title list, one row per work-list entry, each with a check box.
  virtual int TitleRowCount() const = 0;
  virtual void AppendTitleRow(std::string_view text, bool checked) = 0;
  virtual void RemoveTitleRow(int row) = 0;
  virtual bool IsTitleChecked(int row) const = 0;
  virtual void SetTitleChecked(int row, bool checked) = 0;

  // Chapter list of the displayed title: check box and four columns.
  virtual int ChapterRowCount() const = 0;
  virtual void ClearChapterRows() = 0;
  virtual void AppendChapterRow(std::string_view text, bool checked) = 0;
  virtual bool IsChapterChecked(int row) const = 0;
  virtual void SetChapterChecked(int row, bool checked) = 0;
  virtual std::string ChapterCell(int row, ChapterColumn column) const = 0;
  virtual void SetChapterCell(int row, ChapterColumn column, std::string_view text) = 0;

  // Subtitle and audio lists; a selection of -1 means nothing is selected.
  virtual void ClearSubtitles() = 0;
  virtual void AppendSubtitle(std::string_view text) = 0;
  virtual int SubtitleSelection() const = 0;
  virtual void SelectSubtitle(int index) = 0;
  virtual void ClearAudioStreams() = 0;
  virtual void AppendAudioStream(std::string_view text) = 0;
  virtual int AudioSelection() const = 0;
  virtual void SelectAudioStream(int index) = 0;

  // Size limit: scroll bar in MiB, the box beside it, and the box with the KiB written so far.
  virtual int SizeLimitPosition() const = 0;
  virtual void SetSizeLimitPosition(int mebibytes) = 0;
  virtual std::string LimitBoxText() const = 0;
  virtual void SetLimitBoxText(std::string_view text) = 0;
  virtual std::string CurrentSizeText() const = 0;
  virtual void SetCurrentSizeText(std::string_view text) = 0;

  // The Convert and Preview buttons.
  virtual std::string ButtonLabel(ActionButton button) const = 0;
  virtual void SetButtonLabel(ActionButton button, std::string_view label) = 0;
  virtual bool IsButtonEnabled(ActionButton button) const = 0;
  virtual void EnableButton(ActionButton button, bool enabled) = 0;

  // A modal message with an OK button.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // The file dialog for a source and the folder dialog for the output; nullopt when cancelled.
  virtual std::optional<std::string> ChooseSourceFile() = 0;
  virtual std::optional<std::string> ChooseOutputFolder(std::string_view current) = 0;
};

}  // namespace tarn::conv
