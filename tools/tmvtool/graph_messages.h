// Messages of the encode commands in words: what a result code means for the user, with the
// code itself only under --verbose, and where the filter registry was looked for.
#pragma once

#include <string>

#include "media/com/HResult.h"

namespace tarn::tmvtool {

// "no such file or directory", "no combination of filters connects" ... and, under --verbose,
// the code: "(0x80070002 ...)".
std::string Reason(HRESULT hr);

// Why a filter named `what` cannot be had: no registry file where it was looked for, or not in it.
std::string NotRegistered(const std::string& what);

}  // namespace tarn::tmvtool
