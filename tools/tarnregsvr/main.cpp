// tarnregsvr [-u] [--system] LIBRARY.so
//
// Loads a filter library and calls its DllRegisterServer (or, with -u,
// DllUnregisterServer), which writes to the filter registry named by
// $TARNMEDIA_FILTERS, else the user's own registry file; with --system, the
// machine's registry that every user's programs look up.
#include "media/com/ClassFactory.h"
#include "media/registry/FilterRegistry.h"
#include "media/registry/HResultText.h"
#include "tarn_version.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "Usage: tarnregsvr [-u] [-q] [--system] LIBRARY.so\n"
               "       tarnregsvr --version\n"
               "Registers a filter library (or unregisters it with -u) in the filter registry:\n"
               "$TARNMEDIA_FILTERS if set, else $XDG_CONFIG_HOME/tarnmedia/filters.ini\n"
               "(default ~/.config/tarnmedia/filters.ini).\n"
               "  -u, --unregister  remove the library's filters from the registry\n"
               "  --system          in the machine's registry for every user: tarnmedia/filters.ini\n"
               "                    in the first folder of $XDG_CONFIG_DIRS (default /etc/xdg)\n"
               "  -q, --quiet       print nothing but errors\n"
               "  -v, --verbose     the default: say what was done and where\n");
}

// dlopen searches the library path for a bare name; a file named on the
// command line is meant as a file.
std::string LoadablePath(const std::string& argument) {
  if (argument.find('/') != std::string::npos) return argument;
  return "./" + argument;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  bool quiet = false;
  bool system = false;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument(argv[i]);
    if (argument == "-u" || argument == "--unregister") {
      unregister = true;
    } else if (argument == "--system") {
      system = true;
    } else if (argument == "-h" || argument == "--help") {
      PrintUsage(stdout);
      return 0;
    } else if (argument == "--version") {
      std::printf("tarnregsvr %s\n", TARN_VERSION);
      return std::fflush(stdout) == 0 ? 0 : kExitFailure;
    } else if (argument == "-q" || argument == "--quiet") {
      quiet = true;
    } else if (argument == "-v" || argument == "--verbose") {
      quiet = false;
    } else if (!argument.empty() && argument.front() == '-') {
      std::fprintf(stderr, "tarnregsvr: unknown option %s\n", argv[i]);
      PrintUsage(stderr);
      return kExitUsage;
    } else if (library.empty()) {
      library = argument;
    } else {
      std::fprintf(stderr, "tarnregsvr: only one library at a time\n");
      return kExitUsage;
    }
  }
  if (library.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }

  // The library writes through the registry the environment names.
  if (system) ::setenv("TARNMEDIA_FILTERS", tarn::media::SystemFilterRegistryPath().c_str(), 1);

  std::error_code error;
  if (!std::filesystem::is_regular_file(library, error)) {
    std::fprintf(stderr, "tarnregsvr: %s: no such library file\n", library.c_str());
    return kExitFailure;
  }
  void* handle = ::dlopen(LoadablePath(library).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    std::fprintf(stderr, "tarnregsvr: cannot load %s: %s\n", library.c_str(), reason ? reason : "unknown error");
    return kExitFailure;
  }

  const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto entry = reinterpret_cast<DllRegisterServerFn>(::dlsym(handle, entryName));
  if (entry == nullptr) {
    std::fprintf(stderr, "tarnregsvr: %s does not export %s: it is not a filter library\n", library.c_str(), entryName);
    ::dlclose(handle);
    return kExitFailure;
  }

  const HRESULT hr = entry();
  ::dlclose(handle);
  const std::string registry = tarn::media::FilterRegistryPath().string();
  if (FAILED(hr)) {
    std::fprintf(stderr, "tarnregsvr: %s in %s failed: %s\n  registry: %s\n", entryName, library.c_str(),
                 tarn::media::DescribeHResult(hr).c_str(), registry.c_str());
    return kExitFailure;
  }
  if (!quiet) std::printf("%s in %s succeeded.\n  registry: %s\n", entryName, library.c_str(), registry.c_str());
  return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}
