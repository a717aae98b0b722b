// The program stream demuxer on hand-built sectors, and the small conversions beneath it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/dvd/dvd_time.h"
#include "platform/dvd/language_codes.h"
#include "platform/dvd/nav_pack.h"
#include "platform/dvd/ps_demuxer.h"
#include "platform/dvd/subpicture_palette.h"

namespace tarn::dvd {
namespace {

// Builds one 2048-byte sector: an MPEG-2 pack header, then PES packets, then padding.
class SectorBuilder {
 public:
  SectorBuilder() { bytes_ = {0, 0, 1, 0xba, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xc3, 0xf8}; }

  // A PES packet; `ticks` < 0 writes none. `prefix` goes before the payload (substream header).
  SectorBuilder& Pes(uint8_t id, int64_t ticks, std::vector<uint8_t> prefix, std::vector<uint8_t> payload) {
    std::vector<uint8_t> header{0x81, 0, 0};
    if (ticks >= 0) {
      header[1] = 0x80;
      header[2] = 5;
      header.push_back(static_cast<uint8_t>(0x21 | ((ticks >> 29) & 0x0e)));
      header.push_back(static_cast<uint8_t>(ticks >> 22));
      header.push_back(static_cast<uint8_t>(0x01 | ((ticks >> 14) & 0xfe)));
      header.push_back(static_cast<uint8_t>(ticks >> 7));
      header.push_back(static_cast<uint8_t>(0x01 | ((ticks << 1) & 0xfe)));
    }
    const size_t length = header.size() + prefix.size() + payload.size();
    bytes_.insert(bytes_.end(), {0, 0, 1, id, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    bytes_.insert(bytes_.end(), header.begin(), header.end());
    bytes_.insert(bytes_.end(), prefix.begin(), prefix.end());
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    return *this;
  }

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> sector = bytes_;
    const size_t left = 2048 - sector.size();
    if (left >= 6) {
      sector.insert(sector.end(),
                    {0, 0, 1, 0xbe, static_cast<uint8_t>((left - 6) >> 8), static_cast<uint8_t>(left - 6)});
    }
    sector.resize(2048, 0xff);
    return sector;
  }

 private:
  std::vector<uint8_t> bytes_;
};

struct Seen {
  PacketCodec codec;
  int stream;
  bool hasTime;
  bool timeKnown;
  int64_t time;
  std::vector<uint8_t> data;
  LpcmFormat lpcm;
};

std::vector<Seen> Demux(const std::vector<std::vector<uint8_t>>& sectors, int64_t offset = 0,
                        uint64_t* damaged = nullptr) {
  std::vector<Seen> seen;
  PsDemuxer demuxer([&](const ElementaryPacket& p) {
    seen.push_back({p.codec, p.stream, p.hasTime, p.timeKnown, p.time, {p.data.begin(), p.data.end()}, p.lpcm});
  });
  for (const auto& sector : sectors) demuxer.PushSector(sector, offset);
  if (damaged != nullptr) *damaged = demuxer.damagedPackets();
  return seen;
}

TEST(PsDemuxerTest, SplitsStreamsStripsPrivateHeadersAndCarriesTimesForward) {
  const auto sector = SectorBuilder()
                          .Pes(0xe0, 90000, {}, {0, 0, 1, 0xb3})
                          .Pes(0xe0, -1, {}, {7, 7})
                          .Pes(0xbd, 45000, {0x81, 1, 0, 1}, {0x0b, 0x77, 9})
                          .Pes(0xc2, 9000, {}, {0xff, 0xfd})
                          .Pes(0xbd, 90000, {0xa0, 1, 0, 1, 0, 0x90, 0x80}, {1, 2, 3, 4})
                          .Pes(0xbd, 90000, {0x89, 1, 0, 1}, {5})
                          .Build();
  const std::vector<Seen> seen = Demux({sector}, 180000);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0].codec, PacketCodec::kMpegVideo);
  EXPECT_EQ(seen[0].time, (90000 + 180000) * 1000 / 9);  // offset applied, 100 ns units
  EXPECT_EQ(seen[1].hasTime, false);
  EXPECT_TRUE(seen[1].timeKnown);
  EXPECT_EQ(seen[1].time, seen[0].time);  // carried forward
  EXPECT_EQ(seen[2].codec, PacketCodec::kAc3);
  EXPECT_EQ(seen[2].stream, 1);
  EXPECT_EQ(seen[2].data, (std::vector<uint8_t>{0x0b, 0x77, 9}));
  EXPECT_EQ(seen[3].codec, PacketCodec::kMpegAudio);
  EXPECT_EQ(seen[3].stream, 2);
  EXPECT_EQ(seen[4].codec, PacketCodec::kLpcm);
  EXPECT_EQ(seen[4].data, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(seen[4].lpcm.bitsPerSample, 24);  // 0x90: 24 bits, 96 kHz, one channel
  EXPECT_EQ(seen[4].lpcm.sampleRate, 96000);
  EXPECT_EQ(seen[4].lpcm.channels, 1);
  EXPECT_EQ(seen[5].codec, PacketCodec::kDts);
  EXPECT_EQ(seen[5].stream, 1);
}

TEST(PsDemuxerTest, AnAc3PacketsTimeGoesWithTheFrameItsPointerNames) {
  // The packet ends a frame begun earlier (3 bytes), then begins the one its time stamp is for.
  const auto sector = SectorBuilder()
                          .Pes(0xbd, 9000, {0x80, 1, 0, 1}, {0x0b, 0x77})
                          .Pes(0xbd, 18000, {0x80, 1, 0, 4}, {1, 2, 3, 0x0b, 0x77})
                          .Build();
  const std::vector<Seen> seen = Demux({sector});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(seen[1].hasTime);
  EXPECT_EQ(seen[1].time, seen[0].time);
  EXPECT_EQ(seen[2].data, (std::vector<uint8_t>{0x0b, 0x77}));
  EXPECT_TRUE(seen[2].hasTime);
  EXPECT_EQ(seen[2].time, 18000 * 1000 / 9);
}

TEST(PsDemuxerTest, FirstPacketWithoutTimeIsMarkedUnknown) {
  const std::vector<Seen> seen = Demux({SectorBuilder().Pes(0xe0, -1, {}, {1}).Build()});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_FALSE(seen[0].timeKnown);
}

TEST(PsDemuxerTest, SubpictureUnitsAreCollectedWholeAcrossSectors) {
  // A unit of 12 bytes announced in its first two bytes, split over two packets in two sectors.
  const std::vector<uint8_t> unit{0, 12, 0, 8, 1, 2, 3, 4, 0xff, 0xff, 0xff, 0xff};
  const std::vector<Seen> seen =
      Demux({SectorBuilder().Pes(0xbd, 9000, {0x21}, {unit.begin(), unit.begin() + 5}).Build(),
             SectorBuilder().Pes(0xbd, -1, {0x21}, {unit.begin() + 5, unit.end()}).Build()});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].codec, PacketCodec::kSubpicture);
  EXPECT_EQ(seen[0].stream, 1);
  EXPECT_EQ(seen[0].data, unit);
  EXPECT_EQ(seen[0].time, 9000 * 1000 / 9);
  EXPECT_TRUE(seen[0].hasTime);
}

TEST(PsDemuxerTest, DamagedSectorsLoseOnlyTheirDamagedPackets) {
  uint64_t damaged = 0;
  // A packet whose length reaches past the sector: the packets before it survive.
  auto sector = SectorBuilder().Pes(0xe0, 0, {}, {1, 2}).Pes(0xe0, -1, {}, {3}).Build();
  const size_t second = 14 + 6 + 8 + 2;
  sector[second + 4] = 0x7f;
  EXPECT_EQ(Demux({sector}, 0, &damaged).size(), 1u);
  EXPECT_EQ(damaged, 1u);
  // A unit that never completes is dropped when the next one starts.
  const auto lost = Demux({SectorBuilder().Pes(0xbd, 0, {0x20}, {0, 100, 1}).Build(),
                           SectorBuilder().Pes(0xbd, 9000, {0x20}, {0, 5, 0, 4, 0xff}).Build()},
                          0, &damaged);
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].data.size(), 5u);
  EXPECT_EQ(damaged, 1u);
  // Random bytes: nothing read out of bounds (the sanitizer build watches), nothing fabricated.
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> noise(2048);
    for (auto& byte : noise) byte = static_cast<uint8_t>(random());
    if (round % 2 == 0) std::memcpy(noise.data(), SectorBuilder().Build().data(), 14);
    for (const Seen& packet : Demux({noise})) EXPECT_LE(packet.data.size(), 2048u);
    EXPECT_FALSE(ParseNavPack(noise).has_value());
  }
}

TEST(DvdTimeTest, BcdTimesWithTheirFrameRates) {
  int64_t units = 0;
  ASSERT_TRUE(DvdTimeToUnits({0x01, 0x02, 0x03, 0xc0 | 0x15}, units));  // 29.97 fps, 15 frames
  EXPECT_EQ(units, 3723 * kUnitsPerSecond + 15 * kUnitsPerSecond * 1001 / 30000);
  ASSERT_TRUE(DvdTimeToUnits({0, 0, 0x59, 0x40 | 0x24}, units));  // 25 fps, 24 frames
  EXPECT_EQ(units, 59 * kUnitsPerSecond + 24 * kUnitsPerSecond / 25);
  EXPECT_FALSE(DvdTimeToUnits({0, 0x0a, 0, 0xc0}, units));  // not a BCD digit
  EXPECT_FALSE(DvdTimeToUnits({0, 0x60, 0, 0xc0}, units));  // minute 60
  EXPECT_FALSE(DvdTimeToUnits({0, 0, 1, 0x05}, units));     // frames without a rate
}

TEST(LanguageCodesTest, DiscCodesAndLocaleIdentifiers) {
  EXPECT_EQ(LanguageFromDiscCode(('e' << 8) | 'n'), "en");
  EXPECT_EQ(LanguageFromDiscCode(0), "");
  EXPECT_EQ(LanguageFromDiscCode(0xffff), "");
  EXPECT_EQ(LocaleFromLanguage("en"), 0x0409u);
  EXPECT_EQ(LocaleFromLanguage("FR"), 0x040Cu);
  EXPECT_EQ(LocaleFromLanguage("zh"), 0x0804u);
  EXPECT_EQ(LocaleFromLanguage("ja"), 0x0411u);
  EXPECT_EQ(LocaleFromLanguage(""), 0u);
  EXPECT_EQ(LocaleFromLanguage("xx"), 0u);
}

TEST(SubpicturePaletteTest, StudioRangeYCrCbToRgbAndTheDecoderOption) {
  DiscPalette palette{};
  palette.fill(0x00108080);  // black
  palette[0] = 0x00eb8080;   // white
  palette[1] = 0x0051f05a;   // red
  palette[2] = 0x00296ef0;   // blue
  const auto rgb = PaletteToRgb(palette);
  EXPECT_EQ(rgb[0], 0xffffffu);
  EXPECT_EQ(rgb[3], 0x000000u);
  EXPECT_NEAR(static_cast<int>(rgb[1] >> 16), 255, 2);
  EXPECT_LE(rgb[1] & 0xffff, 0x0202u);
  EXPECT_LE(rgb[2] >> 8, 0x0202u);
  EXPECT_NEAR(static_cast<int>(rgb[2] & 0xff), 255, 2);
  const std::string option = PaletteOption(palette);
  EXPECT_EQ(option.size(), 16u * 7 - 1);
  EXPECT_EQ(option.substr(0, 7), "ffffff,");
  EXPECT_EQ(option.substr(option.size() - 6), "000000");
}

}  // namespace
}  // namespace tarn::dvd
