#include "platform/dvd/nav_pack.h"

#include <dvdread/nav_read.h>
#include <dvdread/nav_types.h>

#include <array>
#include <cstring>

namespace tarn::dvd {
namespace {

// Layout of a navigation pack: pack header, system header, then the PCI packet at 0x26 and the
// DSI packet at 0x400, both private stream 2 with a substream byte before their data.
constexpr size_t kPciPacket = 0x26;
constexpr size_t kDsiPacket = 0x400;

bool IsPrivateStream2(std::span<const uint8_t> sector, size_t at, uint8_t substream) {
  return sector[at] == 0 && sector[at + 1] == 0 && sector[at + 2] == 1 && sector[at + 3] == 0xbf &&
         sector[at + 6] == substream;
}

}  // namespace

std::optional<NavPack> ParseNavPack(std::span<const uint8_t> sector) {
  if (sector.size() != 2048 || sector[0] != 0 || sector[1] != 0 || sector[2] != 1 || sector[3] != 0xba ||
      !IsPrivateStream2(sector, kPciPacket, 0x00) || !IsPrivateStream2(sector, kDsiPacket, 0x01)) {
    return std::nullopt;
  }
  // navRead_* take a writable pointer; they only read, but work on a copy to stay honest.
  std::array<uint8_t, 2048> copy{};
  std::memcpy(copy.data(), sector.data(), copy.size());
  pci_t pci{};
  dsi_t dsi{};
  navRead_PCI(&pci, copy.data() + kPciPacket + 7);
  navRead_DSI(&dsi, copy.data() + kDsiPacket + 7);
  NavPack pack;
  pack.sector = dsi.dsi_gi.nv_pck_lbn;
  pack.lastSector = dsi.dsi_gi.vobu_ea;
  const uint32_t next = dsi.vobu_sri.next_vobu & SRI_END_OF_CELL;
  if (next != SRI_END_OF_CELL && next != 0) pack.nextVobu = next;
  pack.startTicks = pci.pci_gi.vobu_s_ptm;
  pack.endTicks = pci.pci_gi.vobu_e_ptm;
  return pack;
}

}  // namespace tarn::dvd
