// The byte count the converter polls through CurrentSize, shared by every audio encoder
// filter of the process. It is read from the converter's thread while a stream writes it;
// no other memory depends on it, so relaxed atomics are enough.
#pragma once

#include <atomic>
#include <cstdint>

namespace tarn::aud {

// Bytes of the sound file written so far: 0 until the first stream starts, the header size
// right after a start, then growing with the data; kept after the stream stops until the next
// one starts.
std::atomic<std::int32_t>& SoundBytesWritten();

}  // namespace tarn::aud
