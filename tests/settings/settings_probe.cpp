// Test helper: reads and writes the settings file named by TARNMEDIA_INI from its own process.
//   settings_probe read SECTION KEY DEFAULT     prints the value
//   settings_probe write SECTION KEY VALUE      exit status 1 when the write failed
//   settings_probe write-limited BYTES SECTION KEY VALUE   the same, with files limited to BYTES
//   settings_probe encoder                      prints the encoder's settings, one per line
//   settings_probe count SECTION KEY N          writes KEY = 1 .. N
//   settings_probe churn BYTES FIRST            rewrites [Churn] Big and Counter = FIRST, FIRST + 1, ...
//                                               until killed
//   settings_probe claim N FILE                 claims N running numbers, one a line into FILE
//   settings_probe hold-conversion              holds the conversion lock until killed
#include <sys/resource.h>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/conversion_lock.h"
#include "converter/settings/converter_settings.h"
#include "encoder/encoder_settings.h"
#include "base/settings_location.h"

using namespace tarn::settings;

namespace {

int Count(const ProfileFile& profile, const char* section, const char* key, int n) {
  for (int i = 1; i <= n; ++i) {
    if (profile.Write(section, key, std::to_string(i))) return 1;
  }
  return 0;
}

[[noreturn]] void Churn(const ProfileFile& profile, std::size_t bytes, long first) {
  for (long counter = first;; ++counter) {
    const std::string big(bytes, counter % 2 == 0 ? 'A' : 'B');
    const std::string counterText = std::to_string(counter);
    const ProfileEntry entries[] = {{"Churn", "Big", big}, {"Churn", "Counter", counterText}};
    if (profile.Write(entries)) std::exit(1);
  }
}

int Claim(const ProfileFile& profile, int n, const char* file) {
  std::ofstream out(file);
  for (int i = 0; i < n; ++i) {
    const ClaimedCounter claimed = ClaimFileDefault(profile, [](std::string_view) { return true; });
    if (claimed.error) return 1;
    out << claimed.counter << '\n';
  }
  return out.good() ? 0 : 1;
}

[[noreturn]] void HoldConversion(const ProfileFile& profile) {
  const ConversionLock lock(profile.path(), "settings_probe");
  std::printf("%s\n", lock.held() ? "held" : "refused");
  std::fflush(stdout);
  for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  const ProfileFile profile = OpenSettingsFile();
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "read" && argc == 5) {
    std::printf("%s", profile.Read(argv[2], argv[3], argv[4], 4096).c_str());
    return 0;
  }
  if (command == "write" && argc == 5) return profile.Write(argv[2], argv[3], argv[4]) ? 1 : 0;
  if (command == "write-limited" && argc == 6) {
    const rlimit limit{static_cast<rlim_t>(std::atol(argv[2])), static_cast<rlim_t>(std::atol(argv[2]))};
    std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit then fails with EFBIG
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    return profile.Write(argv[3], argv[4], argv[5]) ? 1 : 0;
  }
  if (command == "encoder" && argc == 2) {
    const EncoderSettings s = ReadEncoderSettings(profile);
    std::printf("%s\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n", s.fileName.c_str(), s.contrast, s.brightness, s.enhance,
                s.saturation, s.mode, s.imageWidth, s.imageHeight, s.changeScale, s.fullOut);
    return 0;
  }
  if (command == "count" && argc == 5) return Count(profile, argv[2], argv[3], std::atoi(argv[4]));
  if (command == "churn" && argc == 4) Churn(profile, static_cast<std::size_t>(std::atol(argv[2])), std::atol(argv[3]));
  if (command == "claim" && argc == 4) return Claim(profile, std::atoi(argv[2]), argv[3]);
  if (command == "hold-conversion" && argc == 2) HoldConversion(profile);
  std::fprintf(stderr, "settings_probe: unknown command\n");
  return 2;
}
