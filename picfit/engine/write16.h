#pragma once
// The handheld's 16-bit bitmap, written from an uncompressed 24-bit BMP.
//
// The 54 header bytes are those of the 24-bit file with the pixel offset set
// to 54 and the bit count set to 16; the file-size and image-size fields keep
// their 24-bit values, as the tool's files always have. Pixels are the word
// (b5 << 10) | (g5 << 5) | r5, red in the low bits; rows keep the source
// order and are padded to 4 bytes.

#include "picfit_error.h"

#include <QString>

#include <cstdint>

namespace picfit {

// 8-bit component to the handheld's 5 bits: (c - 4) / 8 rounded half to even.
std::uint8_t HandheldComponent(std::uint8_t c);
std::uint16_t HandheldColourWord(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Writes `outputPath` from the 24-bit bitmap at `sourcePath`, calling
// `perRow` once before each row. Errors: kErrNotBitmap24 (with the reason),
// kErrReadFailed, kErrWriteFailed. A failed write leaves no partial file.
Status Write16(const QString& sourcePath, const QString& outputPath, const YieldHook& perRow = {});

}  // namespace picfit
