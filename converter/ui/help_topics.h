// The context-help file of the converter's windows: a plain UTF-8 text file, installed with the
// program, one topic per control:
//
//   # a comment line
//   [102:1068]            dialog number : control number
//   The text of the topic, on as many lines as it needs; a blank line starts a new paragraph.
//   [1]                   the OK and Cancel buttons (1 and 2) have one topic for every dialog
//
// A topic's number is the control number alone for 1 and 2, else (dialog << 16) | control.
#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>

namespace tarn::conv::ui {

inline constexpr char kHelpFileName[] = "tarnconv-help.txt";

std::uint32_t HelpTopicNumber(int dialogId, int controlId);

class HelpTopics {
 public:
  // Reads a help file; nullopt when it cannot be read.
  static std::optional<HelpTopics> Load(const QString& path);
  // The topic's text, or nullopt when the file has none.
  std::optional<QString> Text(std::uint32_t topic) const;
  std::size_t Count() const { return topics_.size(); }

 private:
  std::map<std::uint32_t, QString> topics_;
};

// Where the help file is: beside the program, then in the data folders a desktop program is
// installed into. Empty when it is nowhere.
QString LocateHelpFile();

}  // namespace tarn::conv::ui
