// The interface through which a filter upstream lets the filter it delivers to start a
// sample's work on the upstream thread, as the sample is sent on: the two threads then work
// on consecutive pictures at once instead of one after the other.
#pragma once

#include "media/com/Unknown.h"
#include "media/dshow/Interfaces.h"

// Offered by the input pin of a filter whose per-sample work begins with a step that needs
// nothing but the sample (the video encoder's picture preparation); found with QueryInterface
// on the pin an output pin is connected to. The caller owns the sample, filled and timed, and
// hands it on with Deliver right after the call; the filter must give the same results whether
// or not a sample was prepared ahead.
struct ITarnPrepareAhead : IUnknown {
  static constexpr IID kIid{0x3D7E5F21, 0x9B4A, 0x4E6C, {0x8A, 0x17, 0x52, 0xC9, 0x0E, 0x6B, 0xF3, 0x4D}};
  // S_OK when the sample's first step is done, S_FALSE when the filter does it on receiving it.
  virtual HRESULT PrepareAhead(IMediaSample* sample) = 0;
};
inline constexpr IID IID_ITarnPrepareAhead = ITarnPrepareAhead::kIid;
