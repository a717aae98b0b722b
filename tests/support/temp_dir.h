// A private temporary folder for one test or one test program.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarn::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. The prefix names the suite in the folder's name, to tell leftovers apart.
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "tarn-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// The whole content of a file as text; empty when it cannot be read.
std::string ReadFileText(const std::filesystem::path& path);

}  // namespace tarn::test
