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

// Whether `file` is laid out as Write16 writes (16 bits, uncompressed, pixels at 54, the
// size fields of the 24-bit source): an ordinary 16-bit bitmap keeps blue in the low bits.
bool IsHandheld16(const QByteArray& file);

// Writes the handheld 16-bit bitmap `file` back as an uncompressed 24-bit bitmap, each
// 5-bit component c5 widened to 8 * c5 + 4, so that a preview shows its colours.
Status Handheld16ToBitmap24(const QByteArray& file, const QString& outputPath);

}  // namespace picfit
