// Filling the work list from DVD sources: the Open and Open-drive buttons, adding every title of
// a source, the subtitle and audio lists with the languages the navigator reports, and the
// user's stream choices handed to the navigator.
#pragma once

#include <cstddef>
#include <optional>

#include "converter/engine/converter_controls.h"
#include "converter/engine/current_graph.h"
#include "converter/engine/work_list.h"
#include "base/profile_file.h"

namespace tarn::conv {

class DiscBrowser {
 public:
  DiscBrowser(CurrentGraph& graph, ConverterControls& controls, WorkList& list, settings::ProfileFile profile);

  // The Open button: a source chosen in the file dialog, then its titles. Returns the number of
  // titles added (0 also when the dialog was cancelled).
  std::size_t Open();
  // A source named without the dialog (the program's command line), as Open adds it.
  std::size_t OpenPath(const std::string& path);
  // The Open-drive button: the disc the navigator finds in a drive.
  std::size_t OpenDrive();
  // Appends every title of the source the navigator has open, each ticked with all its
  // chapters and a snapshot of the settings in force.
  std::size_t AddTitles();

  // A double-click on the title list: deletes the selected title unless a run holds the list.
  bool DeleteTitle();

  void BuildSubtitleList();
  void BuildAudioList();

  // The user picked another entry in the audio or subtitle list.
  void AudioSelectionChanged();
  void SubtitleSelectionChanged();

  // The streams as the navigator last reported them.
  unsigned AudioStreamCount() const { return audioCount_; }
  unsigned SubpictureStreamCount() const { return subpictureCount_; }

  // The audio and subpicture streams the entry's title itself carries (a title may carry fewer
  // than its title set declares), as the navigator reports them once it plays the title from
  // the entry's source; none when it cannot say.
  struct StreamCounts {
    unsigned audio = 0;
    unsigned subpictures = 0;
  };
  std::optional<StreamCounts> TitleStreams(const CTitleEntry& entry);

 private:
  bool RefuseWhileBusy();
  std::size_t AddSource(const std::string& path);
  bool WaitsForContinue() const;
  void LeaveConversionGraph();
  void StoreDirtySettings();
  bool AppendTitle(unsigned title);
  void Warn(std::string_view text);

  CurrentGraph& graph_;
  ConverterControls& controls_;
  WorkList& list_;
  settings::ProfileFile profile_;
  unsigned audioCount_ = 0;
  unsigned currentAudio_ = 0;
  unsigned subpictureCount_ = 0;
  unsigned currentSubpicture_ = 0;
};

}  // namespace tarn::conv
