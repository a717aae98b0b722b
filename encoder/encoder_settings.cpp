#include "encoder/encoder_settings.h"

#include "encoder/encoder_value_rules.h"
#include "base/windows_paths.h"

namespace tarn::settings {
namespace {

constexpr std::string_view kSection = "SaveMovie";

std::string ReadValue(const ProfileFile& profile, std::string_view key, std::string_view defaultText) {
  return profile.Read(kSection, key, defaultText, kEncoderValueBuffer);
}

}  // namespace

std::string ReadEncoderFileName(const ProfileFile& profile) {
  return MapWindowsPathText(ReadValue(profile, "FileName", "C:\\temp.tmv"));
}

void ReadEncoderPictureSettings(const ProfileFile& profile, EncoderSettings& settings) {
  // Presets are what a value keeps when its text does not start with the digits expected;
  // they differ from the default texts for `S` (preset 1, default "2").
  settings.contrast = ApplyTwoDigitRule(ReadValue(profile, "Contrast", "75"), 75);
  settings.brightness = ApplyTwoDigitRule(ReadValue(profile, "Brightness", "75"), 75);
  settings.enhance = ApplyTwoDigitRule(ReadValue(profile, "Enhance", "10"), 10);
  settings.saturation = ApplyOneDigitRule(ReadValue(profile, "S", "2"), 1, '1', '8');
  settings.mode = ApplyOneDigitRule(ReadValue(profile, "Mode", "0"), 0, '0', '9');
  settings.imageWidth = PictureSizeInPixels(ReadValue(profile, "ImageH", "30"), 30, 360);
  settings.imageHeight = PictureSizeInPixels(ReadValue(profile, "ImageV", "20"), 20, 240);
  settings.changeScale = ApplyOneDigitRule(ReadValue(profile, "ChangeScale", "0"), 0, '0', '9');
  settings.fullOut = ApplyOneDigitRule(ReadValue(profile, "FullOut", "0"), 0, '0', '9');
}

EncoderSettings ReadEncoderSettings(const ProfileFile& profile) {
  EncoderSettings settings;
  settings.fileName = ReadEncoderFileName(profile);
  ReadEncoderPictureSettings(profile, settings);
  return settings;
}

}  // namespace tarn::settings
