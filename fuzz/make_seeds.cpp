// Writes the seed corpus of the fuzz targets, so that no binary seed is kept in the repository:
// small movies and single records made by the real encoder from synthetic pictures, settings
// files and sound files made by our writers, and from each disc folder given (authored at run
// time) its information files, runs of its sectors and its subpicture units.
//   tarn_fuzz_seeds DIR [DISC...]   -> DIR/<target>/*
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "codec/frame_decoder.h"
#include "disc_seeds.h"
#include "file_seeds.h"
#include "codec/frame_encoder.h"
#include "formats/movie_file_writer.h"
#include "formats/record_builder.h"

namespace {

using namespace tarn;
using Picture = std::vector<std::uint8_t>;

// A colour ramp with a bright square at (left, top).
Picture RampWithSquare(int left, int top) {
  Picture picture(codec::kRgbPictureBytes);
  for (int y = 0; y < codec::kScreenHeight; ++y) {
    for (int x = 0; x < codec::kScreenWidth; ++x) {
      std::uint8_t* pixel = picture.data() + y * codec::kRgbStride + x * 3;
      const bool inSquare = x >= left && x < left + 40 && y >= top && y < top + 40;
      pixel[0] = inSquare ? 250 : static_cast<std::uint8_t>(x);
      pixel[1] = inSquare ? 250 : static_cast<std::uint8_t>(y + 60);
      pixel[2] = static_cast<std::uint8_t>((x + y) / 2);
    }
  }
  return picture;
}

Picture Noise(unsigned seed) {
  std::mt19937 random(seed);
  Picture picture(codec::kRgbPictureBytes);
  for (auto& byte : picture) byte = static_cast<std::uint8_t>(random());
  return picture;
}

void WriteFile(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t size) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

// Encodes `pictures` through the closed loop into a movie; every record also becomes a
// decoder seed named after `stem`.
void WriteMovie(const std::filesystem::path& dir, const std::string& stem, const std::vector<Picture>& pictures,
                bool finish) {
  codec::FrameEncoder encoder;
  std::vector<std::uint8_t> record(movie::kRecordBufferBytes), copy(codec::kRgbPictureBytes);
  std::vector<std::uint16_t> reference(codec::kReferencePixels), target(codec::kReferencePixels);
  movie::MovieFileWriter writer;
  writer.Create((dir / "fuzz_movie_reader" / (stem + ".tmv")).string());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::size_t length = encoder.EncodeFrame(pictures[i].data(), copy.data(), record.data() + 2, {});
    const movie::RecordLayout layout = movie::BuildRecord(record.data(), length, i);
    WriteFile(dir / "fuzz_decode_frame" / (stem + "-" + std::to_string(i) + ".rec"), record.data(), layout.FileBytes());
    movie::TogglePayloadMask(record.data());
    writer.AppendRecord(record.data(), layout.FileBytes());
    movie::TogglePayloadMask(record.data());
    codec::DecodeFrame(record.data(), layout.FileBytes(), reference.data(), target.data());
    reference = target;
    codec::ReferenceToRgb(reference.data(), copy.data());
  }
  if (finish) writer.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarn_fuzz_seeds DIR [DISC...]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir / "fuzz_movie_reader");
  std::filesystem::create_directories(dir / "fuzz_decode_frame");
  WriteMovie(dir, "moving", {RampWithSquare(0, 0), RampWithSquare(6, 3), RampWithSquare(11, 9)}, true);
  WriteMovie(dir, "noise", {Noise(1), Noise(2)}, true);
  WriteMovie(dir, "unfinished", {RampWithSquare(100, 50)}, false);
  // Reaches the appendix records 25 and 26 with a still picture.
  WriteMovie(dir, "appendix", std::vector<Picture>(27, RampWithSquare(30, 30)), true);
  tarn::fuzz::WriteSettingsSeeds(dir / "fuzz_settings");
  tarn::fuzz::WriteSoundSeeds(dir / "fuzz_sound_file");
  for (int i = 2; i < argc; ++i) {
    if (!tarn::fuzz::WriteDiscSeeds(argv[i], dir, "disc" + std::to_string(i - 1))) return 1;
  }
  return 0;
}
