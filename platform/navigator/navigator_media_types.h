// The media types of the navigator's outputs, made from what the disc's information files say.
#pragma once

#include "media/dshow/MediaType.h"
#include "platform/dvd/disc_description.h"

namespace tarn::navigator {

// MPEG-2 video elementary stream with the title's picture size and frame time.
CMediaType MakeMpegVideoType(const dvd::VideoInfo& video);
// The compressed audio of `stream` (AC-3, MPEG audio or DVD LPCM), with its rate and channels.
// False for a format no decoder here takes (DTS and others).
bool MakeDvdAudioType(const dvd::AudioStreamInfo& stream, CMediaType* type);
CMediaType MakeSubpictureType();

// 100 ns units of one frame of the standard.
REFERENCE_TIME FrameTime(dvd::VideoStandard standard);

}  // namespace tarn::navigator
