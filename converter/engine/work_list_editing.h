// How the title and chapter lists edit the work list: showing a clicked title, deleting a title,
// and keeping the selection flags in step with the check boxes.
#pragma once

#include <string>
#include <system_error>

#include "converter/engine/converter_controls.h"
#include "converter/engine/work_list.h"
#include "base/profile_file.h"

namespace tarn::conv {

// Row texts of the two lists.
std::string TitleRowText(int titleNumber);     // "标题[%02d]"
std::string ChapterRowText(unsigned chapter);  // "章节[%03d]"

// A click on the title list selecting `row` (-1 for none): the displayed title's edits are stored
// first when they are dirty, then the clicked title's settings are put in force and its chapters
// listed with their ticks and results. Returns the reason when the settings file could not be
// written; the title is shown all the same.
std::error_code ClickTitle(WorkList& list, ConverterControls& controls, const settings::ProfileFile& profile, int row);

// Deletes the selected title with its row and empties the chapter list. Returns false when no
// title is selected.
bool DeleteSelectedTitle(WorkList& list, ConverterControls& controls);

// The check box of title `position` changed from `wasChecked` to `checked`: the title takes part
// in runs or not, and all its chapters are ticked or unticked with it.
void TitleCheckChanged(WorkList& list, ConverterControls& controls, int position, bool wasChecked, bool checked);

// The check box of chapter row `row` of the displayed title changed. Ignored while the chapter
// list is being filled. Ticking a chapter makes its title take part in runs.
void ChapterCheckChanged(WorkList& list, const ConverterControls& controls, int row, bool wasChecked, bool checked);

}  // namespace tarn::conv
