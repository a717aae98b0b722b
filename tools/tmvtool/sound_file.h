// Sound files (.tms) in tmvtool: `info` describes one, `decode FILE.tms -o FILE.wav` turns it
// into a WAV file, so that a user can listen to what the handheld will play.
#pragma once

#include <string>

namespace tarn::tmvtool {

// A .tms name, or a file that begins with the sound file's magic.
bool IsSoundFile(const std::string& path);

// Prints header, length and mode; the exit status (1 when damaged or unreadable).
int PrintSoundInfo(const std::string& path);

// Writes the sound as 16-bit PCM WAV at its own rate and channel count; the exit status.
int DecodeSoundToWav(const std::string& path, const std::string& wavPath);

}  // namespace tarn::tmvtool
