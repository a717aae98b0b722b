#pragma once
// Loading with the fallback: pictures the imaging control does not know are
// read with Qt's image reader, saved as a 24-bit bitmap into the scratch file
// and loaded from there.

#include "picfit_error.h"

#include <QString>

namespace picfit {

class ImagingControl;

// Reads `path` with QImageReader, writes it to `scratchPath` as a 24-bit BMP
// and loads that into `control`.
Status FallbackLoad(ImagingControl& control, const QString& path, const QString& scratchPath);

enum class FallbackWhen {
  UnknownFormatOnly,  // adding pictures: only error 32509 tries the fallback
  AnyError,           // selecting a listed picture or output file
};

// Loads `path` into `control`, trying the fallback as `when` says. On a
// failure the status carries the number of the first (direct) load.
Status LoadPicture(ImagingControl& control, const QString& path, const QString& scratchPath, FallbackWhen when);

}  // namespace picfit
