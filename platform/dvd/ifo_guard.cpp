#include "platform/dvd/ifo_guard.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarn::dvd {
namespace {

constexpr uint64_t kBlockBytes = 2048;

// In the management table at the head of VIDEO_TS.IFO ...
constexpr uint32_t kFirstPlayChainAt = 0x84;          // byte offset of the first-play chain
constexpr uint32_t kTitleTableSectorAt = 0xC4;        // sector of the title table
constexpr uint32_t kManagerMenusSectorAt = 0xC8;      // sector of the menus' language units
constexpr uint32_t kManagerMenuCellsSectorAt = 0xD8;  // sector of the menus' cell addresses
// ... and at the head of a title set's information file.
constexpr uint32_t kTitleChainsSectorAt = 0xCC;        // sector of the title chains
constexpr uint32_t kTitleSetMenusSectorAt = 0xD0;      // sector of the menus' language units
constexpr uint32_t kTitleSetMenuCellsSectorAt = 0xD8;  // sector of the menus' cell addresses
constexpr uint32_t kTitleCellsSectorAt = 0xE0;         // sector of the titles' cell addresses

// A table header: a 16-bit count (titles, chains, language units), a zero and the table's last
// byte; then 8-byte entries whose last 32 bits locate what they describe.
constexpr uint32_t kTableHeaderBytes = 8;
constexpr uint32_t kEntryBytes = 8;

// A program chain's fixed part, and where in it the 16-bit offsets of its tables are.
constexpr uint32_t kChainBytes = 236;
constexpr uint32_t kProgramCountAt = 2;
constexpr uint32_t kCellCountAt = 3;
constexpr uint32_t kCommandTableAt = 0xE4;
constexpr uint32_t kProgramMapAt = 0xE6;
constexpr uint32_t kCellPlaybackAt = 0xE8;
constexpr uint32_t kCellPositionAt = 0xEA;
constexpr uint32_t kCellPlaybackBytes = 24;
constexpr uint32_t kCellPositionBytes = 4;
constexpr uint32_t kCommandBytes = 8;  // the command table's header (three counts, last byte) too

uint32_t BigEndian16(const uint8_t* at) { return static_cast<uint32_t>(at[0]) << 8 | at[1]; }

uint32_t BigEndian32(const uint8_t* at) { return BigEndian16(at) << 16 | BigEndian16(at + 2); }

// The file as libdvdread reads it: a read succeeds when it starts at a byte offset below 2^31
// and ends within the file's whole sectors. Offsets are 32-bit sums that wrap, as there.
class IfoBytes {
 public:
  explicit IfoBytes(dvd_file_t* file)
      : file_(file), size_(static_cast<uint64_t>(std::max<ssize_t>(DVDFileSize(file), 0)) * kBlockBytes) {}

  // libdvdread's seek to 0xFFFFFFFF fails with -1, which it takes for the offset asked (-1 as
  // a signed int), so it reads on from wherever its last read ended. Such a file is refused.
  bool Holds(uint32_t offset, uint64_t count) const {
    if (offset == UINT32_MAX) wild_ = true;
    return offset <= INT32_MAX && offset + count <= size_;
  }
  bool ReadsWildly() const { return wild_; }

  bool Read(uint32_t offset, uint8_t* bytes, size_t count) const {
    return Holds(offset, count) && DVDFileSeek(file_, static_cast<int32_t>(offset)) == static_cast<int32_t>(offset) &&
           DVDReadBytes(file_, bytes, count) == static_cast<ssize_t>(count);
  }

  bool Word32(uint32_t offset, uint32_t& value) const {
    uint8_t bytes[4];
    if (!Read(offset, bytes, sizeof bytes)) return false;
    value = BigEndian32(bytes);
    return true;
  }

  uint64_t size() const { return size_; }

 private:
  dvd_file_t* file_;
  uint64_t size_;
  mutable bool wild_ = false;
};

// The title table must be readable whole: its header (libdvdread frees it twice otherwise), a
// last byte past its header (otherwise the length wraps and its read buffer is overrun) and
// within the file (libdvdread refuses that one itself; it is damaged either way). True also when
// the file is too short to say where the table is.
bool TitleTableIsWhole(const IfoBytes& ifo) {
  uint32_t sector = 0;
  uint8_t header[kTableHeaderBytes];
  if (!ifo.Word32(kTitleTableSectorAt, sector)) return true;
  const uint64_t table = sector * kBlockBytes;
  if (table > INT32_MAX || !ifo.Read(static_cast<uint32_t>(table), header, sizeof header)) return false;
  const uint64_t lastByte = BigEndian32(header + 4);
  return lastByte + 1 >= kTableHeaderBytes && table + lastByte + 1 <= ifo.size();
}

// The commands of a chain's command table, when its header can be read, lie within the file.
// When they do not, libdvdread gives up after freeing the commands it has read, and keeps the
// pointers to them.
bool CommandsAreWhole(const IfoBytes& ifo, uint32_t chainAt, const uint8_t* chain) {
  const uint32_t tableOffset = BigEndian16(chain + kCommandTableAt);
  uint8_t header[kCommandBytes];
  if (tableOffset == 0 || !ifo.Read(chainAt + tableOffset, header, sizeof header)) return true;
  const uint64_t commands = uint64_t{BigEndian16(header)} + BigEndian16(header + 2) + BigEndian16(header + 4);
  return ifo.Holds(chainAt + tableOffset + kCommandBytes, commands * kCommandBytes);
}

// The first-play chain frees the commands a second time when it is given up.
bool FirstPlayCommandsAreWhole(const IfoBytes& ifo) {
  uint32_t chainAt = 0;
  uint8_t chain[kChainBytes];
  if (!ifo.Word32(kFirstPlayChainAt, chainAt) || chainAt == 0 || !ifo.Read(chainAt, chain, sizeof chain)) return true;
  return CommandsAreWhole(ifo, chainAt, chain);
}

// Whether libdvdread reads the program chain at `chainAt` whole, with every table it points to.
bool ChainIsRead(const IfoBytes& ifo, uint32_t chainAt) {
  uint8_t chain[kChainBytes];
  if (!ifo.Read(chainAt, chain, sizeof chain)) return false;
  uint8_t commandHeader[kCommandBytes];
  const uint32_t commandTable = BigEndian16(chain + kCommandTableAt);
  if (commandTable != 0 && (!ifo.Read(chainAt + commandTable, commandHeader, sizeof commandHeader) ||
                            !CommandsAreWhole(ifo, chainAt, chain))) {
    return false;
  }
  const uint32_t programs = chain[kProgramCountAt], cells = chain[kCellCountAt];
  const auto tableFits = [&](uint32_t offsetAt, uint32_t count, uint32_t entryBytes) {
    const uint32_t offset = BigEndian16(chain + offsetAt);
    return offset == 0 || count == 0 || ifo.Holds(chainAt + offset, uint64_t{count} * entryBytes);
  };
  return tableFits(kProgramMapAt, programs, 1) && tableFits(kCellPlaybackAt, cells, kCellPlaybackBytes) &&
         tableFits(kCellPositionAt, cells, kCellPositionBytes);
}

enum class ChainTable {
  kRead,
  kRefusedEmpty,    // header unreadable: given up with no entries
  kRefusedCounted,  // entries unreadable: given up with a count but no entries
  kCrashes,         // an entry shares the chain of an earlier one that could not be read (null)
};

// A table of program chains at `at`: its entries are read, then the chain of each, except that
// an entry naming the same chain as an earlier one shares that one's chain, read or not.
ChainTable ReadChainTable(const IfoBytes& ifo, uint32_t at) {
  uint8_t header[kTableHeaderBytes];
  if (!ifo.Read(at, header, sizeof header)) return ChainTable::kRefusedEmpty;
  const uint32_t count = BigEndian16(header);
  if (count == 0) return ChainTable::kRead;
  std::vector<uint8_t> entries(count * kEntryBytes);
  if (!ifo.Read(at + kTableHeaderBytes, entries.data(), entries.size())) return ChainTable::kRefusedCounted;
  std::vector<uint32_t> starts(count);
  std::vector<bool> read(count);
  for (uint32_t i = 0; i < count; ++i) {
    starts[i] = BigEndian32(&entries[i * kEntryBytes + 4]);
    const auto first = std::find(starts.begin(), starts.begin() + i, starts[i]);
    if (first != starts.begin() + i) {
      if (!read[static_cast<size_t>(first - starts.begin())]) return ChainTable::kCrashes;
      read[i] = true;
    } else {
      read[i] = ChainIsRead(ifo, at + starts[i]);
    }
  }
  return ChainTable::kRead;
}

// The title set's own chains: a table libdvdread cannot read is given up safely.
bool TitleChainsAreSafe(const IfoBytes& ifo) {
  uint32_t sector = 0;
  if (!ifo.Word32(kTitleChainsSectorAt, sector) || sector == 0) return true;
  return ReadChainTable(ifo, static_cast<uint32_t>(sector * kBlockBytes)) != ChainTable::kCrashes;
}

// The menus: one table of chains per language unit (units at the same place share it). When a
// table cannot be read, libdvdread frees those read so far and that one; a table given up
// with a count but no entries is then walked through a null pointer.
bool MenusAreSafe(const IfoBytes& ifo, uint32_t sectorAt) {
  uint32_t sector = 0;
  uint8_t header[kTableHeaderBytes];
  if (!ifo.Word32(sectorAt, sector) || sector == 0) return true;
  const auto units = static_cast<uint32_t>(sector * kBlockBytes);
  if (!ifo.Read(units, header, sizeof header)) return true;
  const uint32_t count = BigEndian16(header);
  std::vector<uint8_t> entries(count * kEntryBytes);
  if (count == 0 || !ifo.Read(units + kTableHeaderBytes, entries.data(), entries.size())) return true;
  std::vector<uint32_t> starts(count);
  for (uint32_t i = 0; i < count; ++i) {
    starts[i] = BigEndian32(&entries[i * kEntryBytes + 4]);
    if (std::find(starts.begin(), starts.begin() + i, starts[i]) != starts.begin() + i) continue;
    switch (ReadChainTable(ifo, units + starts[i])) {
      case ChainTable::kRead:
        break;
      case ChainTable::kRefusedEmpty:
        return true;
      case ChainTable::kRefusedCounted:
      case ChainTable::kCrashes:
        return false;
    }
  }
  return true;
}

// A cell address table whose last byte lies within 2 KiB of 4 GiB: libdvdread allocates the
// near 4 GiB it says, but sizes its read buffer in 32 bits, which wrap to almost nothing, and
// reads the rest of the file into it.
bool CellAddressesAreSafe(const IfoBytes& ifo, uint32_t sectorAt) {
  uint32_t sector = 0;
  uint8_t header[kTableHeaderBytes];
  if (!ifo.Word32(sectorAt, sector) || sector == 0) return true;
  if (!ifo.Read(static_cast<uint32_t>(sector * kBlockBytes), header, sizeof header)) return true;
  const uint32_t lastByte = BigEndian32(header + 4);
  return lastByte < 0xFFFFF800u || lastByte == 0xFFFFFFFFu;  // the last one wraps and is refused
}

}  // namespace

bool InformationFileIsSafeToOpen(dvd_reader_t* reader, int titleSet, dvd_read_domain_t which) {
  dvd_file_t* file = DVDOpenFile(reader, titleSet, which);
  if (file == nullptr) return true;
  // libdvdread reads a file by what it says it is, whatever its name.
  const IfoBytes ifo(file);
  char identifier[12] = {};
  const bool read = ifo.Read(0, reinterpret_cast<uint8_t*>(identifier), sizeof identifier);
  const std::string_view kind(identifier, sizeof identifier);
  bool safe = true;
  if (read && kind == "DVDVIDEO-VMG") {
    safe = TitleTableIsWhole(ifo) && FirstPlayCommandsAreWhole(ifo) && MenusAreSafe(ifo, kManagerMenusSectorAt) &&
           CellAddressesAreSafe(ifo, kManagerMenuCellsSectorAt);
  } else if (read && kind == "DVDVIDEO-VTS") {
    safe = TitleChainsAreSafe(ifo) && MenusAreSafe(ifo, kTitleSetMenusSectorAt) &&
           CellAddressesAreSafe(ifo, kTitleSetMenuCellsSectorAt) && CellAddressesAreSafe(ifo, kTitleCellsSectorAt);
  }
  DVDCloseFile(file);
  return safe && !ifo.ReadsWildly();
}

}  // namespace tarn::dvd
