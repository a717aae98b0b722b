// Tables of an information file that libdvdread (Debian 12's 6.1.3) cannot refuse safely: on
// them it frees memory twice, overruns a buffer or follows a null pointer while giving up, and
// the process dies instead of reporting a damaged disc. These checks read the same bytes
// libdvdread will read, the same way, before it does.
#pragma once

#include <dvdread/dvd_reader.h>

namespace tarn::dvd {

// False when the information file of `titleSet` (0: VIDEO_TS.IFO) or its backup, as `which`
// says, holds a table libdvdread would crash on; the file is checked as what its first bytes
// say it is, manager or title set, as libdvdread reads it. True also when the file cannot be opened:
// libdvdread refuses that itself.
bool InformationFileIsSafeToOpen(dvd_reader_t* reader, int titleSet, dvd_read_domain_t which);

}  // namespace tarn::dvd
