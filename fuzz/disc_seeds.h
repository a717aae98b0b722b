// Seeds from an authored disc folder: its information files for the title-cell reader, runs of
// sectors for the demuxer, and its subpicture units with the palette for the overlay.
#pragma once

#include <filesystem>
#include <string>

namespace tarn::fuzz {

// False (with a message on standard error) when the folder is not a readable disc.
bool WriteDiscSeeds(const std::filesystem::path& disc, const std::filesystem::path& corpus, const std::string& stem);

}  // namespace tarn::fuzz
