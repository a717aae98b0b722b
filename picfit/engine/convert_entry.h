#pragma once
// One step of a batch conversion: the picture already loaded in the imaging
// control is resized by its entry's fit mode, processed for the output
// format, named and written into the output folder.

#include "picfit_error.h"
#include "picture_list.h"

#include <QString>

namespace picfit {

class ImagingControl;

struct ConvertOptions {
  QString outputFolder;       // with or without a trailing "/"
  int format = 1;             // OutputFormat, 0..5
  bool keepExisting = false;  // true: never replace a file, rename with "_1"
  QString scratchPath;        // the run's scratch file (format 1 intermediate)
};

struct ConvertResult {
  Status status;
  QString outputName;  // e.g. photo.BMP; set on success
  QString outputPath;  // folder joined with the name; set on success
};

// Checks that `folder` exists and is a writable directory.
Status CheckOutputFolder(const QString& folder);

// Resizes, processes, names and writes `entry`'s picture, which the caller
// has loaded into `control`. `yield` runs before each keep-existing probe
// and each row of the 16-bit writer. The control keeps the processed picture.
ConvertResult ConvertEntry(ImagingControl& control, const PictureEntry& entry, const ConvertOptions& options,
                           const YieldHook& yield = {});

}  // namespace picfit
