#include "converter/engine/entry_settings.h"

#include <string>

#include "converter/engine/size_limit.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {

void SnapshotEntry(const WorkList& list, const ConverterControls& controls, const settings::ProfileFile& profile,
                   CTitleEntry& entry) {
  entry.chapterSelection = list.chapterFlags;
  entry.subtitleChoice = controls.SubtitleSelection();
  entry.audioChoice = controls.AudioSelection();
  entry.sizeLimitMiB = controls.SizeLimitPosition();
  entry.source = list.currentSource;
  entry.outputFolder = list.outputFolder;

  const settings::TitleSettings stored = settings::ReadTitleSettings(profile);
  entry.contrast = stored.contrast;
  entry.brightness = stored.brightness;
  entry.saturationPosition = settings::SaturationPosition(stored.saturation);
  entry.sharpeningPosition = settings::SharpeningPosition(stored.enhance);
  entry.compressionMode = stored.mode;
  entry.channel = stored.channel;
  entry.volume = stored.volumeEx;
  entry.audioMode = stored.musicMode;
  entry.pictureWidth = settings::PixelsFromUnits(stored.imageH);
  entry.pictureHeight = settings::PixelsFromUnits(stored.imageV);
  entry.changeRatio = stored.changeScale;
  entry.fillPicture = stored.fullOut;
}

std::error_code RestoreEntry(const CTitleEntry& entry, WorkList& list, ConverterControls& controls,
                             const settings::ProfileFile& profile) {
  list.chapterFlags = entry.chapterSelection;
  list.currentSource = entry.source;
  list.outputFolder = entry.outputFolder;

  controls.SelectSubtitle(entry.subtitleChoice);
  controls.SelectAudioStream(entry.audioChoice);
  controls.SetSizeLimitPosition(entry.sizeLimitMiB);
  controls.SetLimitBoxText(std::to_string(entry.sizeLimitMiB));
  list.activeSizeLimit = SizeLimitBytes(entry.sizeLimitMiB);
  return WriteEntrySettings(entry, profile);
}

std::error_code WriteEntrySettings(const CTitleEntry& entry, const settings::ProfileFile& profile) {
  settings::TitleSettings title;
  title.saveDir = entry.outputFolder;
  title.limitSize = static_cast<std::int32_t>(SizeLimitBytes(entry.sizeLimitMiB));
  title.brightness = entry.brightness;
  title.contrast = entry.contrast;
  title.saturation = settings::SaturationPosition(entry.saturationPosition);  // 9 - p both ways
  title.enhance = settings::SharpeningPosition(entry.sharpeningPosition);     // 10 - p both ways
  title.mode = entry.compressionMode;
  title.channel = entry.channel;
  title.volumeEx = entry.volume;
  title.musicMode = entry.audioMode;
  title.changeScale = entry.changeRatio;
  title.fullOut = entry.fillPicture;
  title.imageV = entry.pictureHeight / 8;
  title.imageH = entry.pictureWidth / 8;
  return settings::WriteTitleSettings(profile, title);
}

}  // namespace tarn::conv
