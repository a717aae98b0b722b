// A segment that did not play out (the size limit, an abort, an interrupt) ends its sound where
// its movie ends: the audio path decodes ahead of the pictures, so when the graph stops the
// sound file holds more than the movie shows, and those bytes would count against the limit on
// the user's card. A pair stopped by the size limit is then cut back, records from the movie's
// end and the sound with them, until both files together fit the limit: the polls see the
// bytes only every so often, and the graph writes on until it has stopped.
#pragma once

#include <cstdint>
#include <string>

namespace tarn::conv {

// Cuts the finished sound file to the length of the finished movie (ten records a second) with
// the audio encoder library's EndSound (cut, or padded with silence). With a `limitBytes` above 0, first cuts the
// movie's last records as far as the pair needs to fit it. Returns an empty text, or what went wrong.
std::string EndSoundWithMovie(const std::string& audioLibrary, const std::string& movieFile,
                              const std::string& soundFile, std::int64_t limitBytes = 0);

}  // namespace tarn::conv
