// Values shared by every encoder filter of the process (one set per loaded library).
//
// The converter polls the byte count from its own thread while a stream writes it, and the
// encoder clock reads the frames-started flag on whatever thread reads the clock; neither
// needs ordering with other memory, so relaxed atomics are enough.
#pragma once

#include <atomic>
#include <cstdint>

namespace tarn::venc {

// Bytes of the movie file written so far: 0 until the first stream starts, then 512 plus each
// record; it keeps its value after the stream stops until the next one starts.
std::atomic<std::int32_t>& CurrentSize();

// Set once a stream has handled (encoded or dropped) a frame; cleared when a filter is made
// and when a stream starts. It makes the clock advance in small steps once frames flow.
std::atomic<bool>& FramesStarted();

}  // namespace tarn::venc
