// Ending a finished sound file at the length of its movie.
//
// A conversion stopped early (by the size limit, an abort or an interrupt) leaves a movie that
// ends where the pictures stopped, while the sound, decoded ahead of the pictures, has gone on:
// the converter cuts it back so that the pair ends together and the sound adds no bytes past
// what the movie shows.
#pragma once

#include <cstdint>
#include <string>

namespace tarn::aud {

// Makes the finished sound file at `path` last `length` (100 ns units): cut, or padded with
// silence (zero bytes are silence in both codecs: signed 8-bit samples, and ADPCM nibbles and
// block headers), and its header rewritten to match. Returns 0 or an errno value (EINVAL for a
// file that is no finished sound file).
int EndSoundFile(const std::string& path, std::int64_t length);

}  // namespace tarn::aud
