#include "converter/engine/output_size_poll.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

#include "media/registry/FilterRegistry.h"

namespace tarn::conv {

std::string EncoderLibraryLocation(const media::FilterRegistry& registry, std::string_view fileName) {
  std::vector<media::RegisteredClass> classes;
  if (SUCCEEDED(registry.Load(&classes))) {
    for (const media::RegisteredClass& registered : classes) {
      if (!registered.libraryPath.empty() && std::filesystem::path(registered.libraryPath).filename() == fileName) {
        return registered.libraryPath;
      }
    }
  }
  return std::string(fileName);
}

EncoderLibraries FindEncoderLibraries(const media::FilterRegistry& registry) {
  return {EncoderLibraryLocation(registry, kVideoEncoderLibrary),
          EncoderLibraryLocation(registry, kAudioEncoderLibrary)};
}

std::int64_t ExportedSize(const std::string& library, const char* exportName) {
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return 0;
  using SizeExport = std::int32_t (*)();
  std::int64_t bytes = 0;
  if (auto size = reinterpret_cast<SizeExport>(::dlsym(handle, exportName))) bytes = size();
  ::dlclose(handle);
  return bytes < 0 ? 0 : bytes;
}

std::int64_t PollOutputSize(const EncoderLibraries& libraries) {
  return ExportedSize(libraries.video, kVideoSizeExport) + ExportedSize(libraries.audio, kAudioSizeExport);
}

}  // namespace tarn::conv
