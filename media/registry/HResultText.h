// Readable names of result codes, for messages of the command-line tools.
#pragma once

#include "media/com/HResult.h"

#include <string>

namespace tarn::media {

// "0x80004005 (E_FAIL)", "0x80070002 (No such file or directory)" and so on.
std::string DescribeHResult(HRESULT hr);

}  // namespace tarn::media
