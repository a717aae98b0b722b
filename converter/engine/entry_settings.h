// Copying the settings in force into a title's entry and putting an entry's settings back into
// the settings file, the work list and the controls.
#pragma once

#include <system_error>

#include "converter/engine/converter_controls.h"
#include "converter/engine/title_entry.h"
#include "converter/engine/work_list.h"
#include "base/profile_file.h"

namespace tarn::conv {

// Stores the chapter flags, the stream choices, the size limit, the source, the output folder
// and every conversion setting of the settings file into `entry`.
void SnapshotEntry(const WorkList& list, const ConverterControls& controls, const settings::ProfileFile& profile,
                   CTitleEntry& entry);

// Makes `entry` the settings in force: the work list's chapter flags, source, output folder and
// active size limit, the stream lists and size-limit controls, and the whole set of keys in the
// settings file, written in one replacement so the encoders never read half a title. Returns the
// reason when the file could not be written; the file is then unchanged.
std::error_code RestoreEntry(const CTitleEntry& entry, WorkList& list, ConverterControls& controls,
                             const settings::ProfileFile& profile);

// Writes only the settings-file part of RestoreEntry: what the encoders read for `entry`.
std::error_code WriteEntrySettings(const CTitleEntry& entry, const settings::ProfileFile& profile);

}  // namespace tarn::conv
