// Names of a segment's two output files, the running file counter, and the result a converted
// segment leaves in its title's entry.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

#include "converter/engine/work_list.h"
#include "base/profile_file.h"

namespace tarn::conv {

struct OutputNames {
  std::string movie;  // .tmv
  std::string sound;  // .tms
};

// folder + "/" + the stored counter + title "%02d" + chapter "%03d", without the extension.
// The counter is taken as stored ("0" when absent); a "/" in it would leave the folder and is
// written as "_".
std::string OutputBaseName(std::string_view folder, std::string_view counter, int titleNumber, int firstChapter);

// Builds both names from the output folder and the stored counter and writes them to
// SaveMovie/FileName and AudioOut/FileName in one replacement of the settings file.
std::error_code MakeOutputNames(const settings::ProfileFile& profile, std::string_view folder, int titleNumber,
                                int firstChapter, OutputNames* names);

// Takes the running number from `counterFile` and makes both names, moving the number on past
// names whose files exist: a file this run did not write is never replaced. The two files are
// created empty, so that a run sharing the folder but not the counter cannot take them either;
// the names are then written to SaveMovie/FileName and AudioOut/FileName of `profile`.
struct ClaimedNames {
  OutputNames names;
  int passed = 0;  // running numbers passed over
  std::error_code error;
};
ClaimedNames ClaimOutputNames(const settings::ProfileFile& counterFile, const settings::ProfileFile& profile,
                              std::string_view folder, int titleNumber, int firstChapter);

// A time span as "%H:%M:%S": hours modulo 24, two digits each; negative spans count as 0.
std::string FormatElapsed(std::chrono::seconds elapsed);

// Stores {elapsed, the movie name in the settings file, sizeKiBText} in result slot
// `chapterIndex` of the title at `position`. False when there is no such title or slot.
bool RecordResult(WorkList& list, std::size_t position, std::size_t chapterIndex, std::chrono::seconds elapsed,
                  const settings::ProfileFile& profile, std::string_view sizeKiBText);

}  // namespace tarn::conv
