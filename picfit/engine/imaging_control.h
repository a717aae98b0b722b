#pragma once
// The imaging control: one current picture, decoded, resampled, reduced and
// written as a Windows bitmap through Magick++, and the 240x160 preview of
// its top-left region.

#include "picfit_error.h"

#include <QImage>
#include <QString>

#include <memory>

namespace picfit {

inline constexpr int kPreviewWidth = 240;
inline constexpr int kPreviewHeight = 160;
inline constexpr long kTrueColourCount = 16777216;

class ImagingControl {
 public:
  ImagingControl();  // initialises Magick++ once per process
  ~ImagingControl();
  ImagingControl(const ImagingControl&) = delete;
  ImagingControl& operator=(const ImagingControl&) = delete;

  // Loads `path` as the current picture. On failure the current picture is
  // kept and the status carries kErrFileNotFound, kErrUnknownFormat (no
  // decoder recognises the data), kErrCorruptPicture or kErrReadFailed.
  Status Load(const QString& path);

  bool HasPicture() const;
  int Width() const;
  int Height() const;
  // Number of colours: the palette size of a palette picture, 256 for a
  // grey picture, 16777216 for true colour; 0 without a picture.
  long ColourCount() const;
  // Bits per pixel a bitmap written now would have: 1, 4, 8 or 24.
  int BitsPerPixel() const;

  // The top-left region of the picture, in picture pixels (real values),
  // that fills the preview's 240 columns and 160 rows.
  void SetRegionHeight(double pictureRows);
  void SetRegionWidth(double pictureColumns);
  double RegionWidth() const;
  double RegionHeight() const;
  // The 240x160 preview: the region drawn scaled into it; what lies beyond
  // the picture stays the background colour (white). Null without a picture.
  QImage Preview() const;

  // Resamples to exactly width x height pixels (both at least 1).
  Status Resample(int width, int height);
  // Makes the picture true colour, 24 bits per pixel, no alpha.
  Status ConvertTo24();
  // Reduces to `count` colours (grey levels when `grey` is set); a count
  // below 2 means two. Two grey levels are pure black and white, chosen by
  // each pixel's brightness. `dither` spreads the quantisation error to the
  // neighbouring pixels instead of mapping each pixel to its nearest
  // palette colour. The palette has 2, 16 or 256 entries, the bitmap depth.
  Status ReduceColours(int count, bool grey, bool dither);
  // Writes an uncompressed Windows bitmap (40-byte info header) of the
  // current depth: 24 bits, or 8, 4, 1 bits with a palette. An existing
  // file is replaced. kErrWriteFailed when it cannot be written.
  Status WriteBitmap(const QString& path) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace picfit
