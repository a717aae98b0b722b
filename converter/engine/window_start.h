// What the main window takes from the settings file when it opens: the size limit in force
// with its scroll bar and box, the empty size box, the stream lists before any source, and the
// output folder.
#pragma once

#include "converter/engine/converter_controls.h"
#include "converter/engine/work_list.h"
#include "base/profile_file.h"

namespace tarn::conv {

void LoadWindowStart(WorkList& list, ConverterControls& controls, const settings::ProfileFile& profile);

}  // namespace tarn::conv
