#include "converter/engine/window_start.h"

#include <algorithm>
#include <string>

#include "converter/engine/size_limit.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {

void LoadWindowStart(WorkList& list, ConverterControls& controls, const settings::ProfileFile& profile) {
  namespace keys = settings::keys;
  // The limit in force is the stored number of bytes as it is; the bar can only show whole MiB
  // within its range.
  const std::int32_t limitBytes = settings::ReadNumber(profile, keys::kLimitSize);
  list.activeSizeLimit = limitBytes;
  const std::int32_t mebibytes = settings::LimitSizeInMiB(limitBytes);
  controls.SetSizeLimitPosition(std::clamp<int>(mebibytes, kMinSizeLimitMiB, kMaxSizeLimitMiB));
  controls.SetLimitBoxText(std::to_string(mebibytes));
  controls.SetCurrentSizeText("0");

  controls.ClearSubtitles();
  controls.AppendSubtitle("无字幕");  // no subtitles
  controls.SelectSubtitle(0);
  controls.ClearAudioStreams();
  controls.AppendAudioStream("");
  controls.SelectAudioStream(0);

  list.outputFolder = settings::ReadPath(profile, keys::kSaveDir);
}

}  // namespace tarn::conv
