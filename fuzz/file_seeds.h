// Seeds made by our own writers: settings files and sound files.
#pragma once

#include <filesystem>

namespace tarn::fuzz {

void WriteSettingsSeeds(const std::filesystem::path& dir);
void WriteSoundSeeds(const std::filesystem::path& dir);

}  // namespace tarn::fuzz
