// The navigation pack that begins every VOBU: where the VOBU ends, where the next one starts,
// and the presentation times it covers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tarn::dvd {

struct NavPack {
  uint32_t sector = 0;               // address of this pack, as the disc records it
  uint32_t lastSector = 0;           // relative address of the VOBU's last sector
  std::optional<uint32_t> nextVobu;  // relative address of the next VOBU of this cell; none at its end
  int64_t startTicks = 0;            // vobu_s_ptm, 90 kHz
  int64_t endTicks = 0;              // vobu_e_ptm, 90 kHz
};

// The navigation pack in `sector`; nothing when the sector is not one (damaged or misplaced data).
std::optional<NavPack> ParseNavPack(std::span<const uint8_t> sector);

}  // namespace tarn::dvd
