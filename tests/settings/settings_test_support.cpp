#include "settings_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarn::settings::testing {
namespace {

std::vector<char*> ArgumentVector(std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return argv;
}

int Spawn(const std::vector<std::string>& arguments, int outputFd) {
  std::vector<std::string> command = {SETTINGS_PROBE};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv = ArgumentVector(command);
  const pid_t child = ::fork();
  if (child == 0) {
    if (outputFd >= 0) ::dup2(outputFd, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return child;
}

}  // namespace

void SettingsFolderTest::SetUp() {
  folder_ = temp_.emplace("tarn-settings").path();
  iniPath_ = folder_ / "TarnMedia.ini";
  ::setenv("TARNMEDIA_INI", iniPath_.c_str(), 1);
  ::setenv("HOME", (folder_ / "home").c_str(), 1);
  profile_ = ProfileFile(iniPath_);
}

void SettingsFolderTest::TearDown() { temp_.reset(); }

void WriteFileText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

ProbeResult RunProbe(const std::vector<std::string>& arguments) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const int child = Spawn(arguments, pipeFds[1]);
  ::close(pipeFds[1]);
  ProbeResult result;
  char chunk[4096];
  for (ssize_t got; (got = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;) {
    result.output.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

int StartProbe(const std::vector<std::string>& arguments) { return Spawn(arguments, -1); }

}  // namespace tarn::settings::testing
