// picfit: fits pictures to the handheld's screen and writes bitmaps.
// With --convert it works from the command line without a window.

#include "picfit/engine/cli_text.h"
#include "picfit/engine/convert_command.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tarn_version.h"

#ifdef PICFIT_HAVE_WINDOW
#include "picfit/ui/picfit_window.h"
#endif

namespace {

void InstallLanguage(QTranslator& translator);

int RunCommandLine(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The command line speaks the user's language; English needs no translation.
  QTranslator translator;
  InstallLanguage(translator);
  QTextStream out(stdout);
  QTextStream err(stderr);
  int status = picfit::RunConvertCommand(QCoreApplication::arguments(), out, err);
  out.flush();
  // A full disk or a closed pipe behind standard output is a failure, not a silent success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    err << "picfit: " << picfit::Tr("cannot write to standard output") << "\n";
    if (status == picfit::kExitOk) status = picfit::kExitSomeFailed;
  }
  err.flush();
  return status;
}

// The command line runs without a display: --convert, and --help for its usage.
bool AskedForCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--convert" || arg == "--help" || arg == "-h") return true;
  }
  return false;
}

// Qt's own options of a window program that take a value ("-platform offscreen").
bool QtOptionWithValue(std::string_view arg) {
  for (std::string_view option :
       {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style", "-stylesheet", "-session",
        "-display", "-geometry", "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-title", "-name"})
    if (arg == option) return true;
  return false;
}

// An argument the window does not take: its own are none (Qt's single-dash options pass).
struct WindowArgument {
  enum { None, UnknownOption, FileName } kind = None;
  QString text;
};

WindowArgument FirstRefusedArgument(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (QtOptionWithValue(arg)) {
      ++i;
    } else if (arg.starts_with("--")) {
      return {WindowArgument::UnknownOption, QString::fromLocal8Bit(argv[i])};
    } else if (!arg.starts_with('-')) {
      return {WindowArgument::FileName, QString::fromLocal8Bit(argv[i])};
    }
  }
  return {};
}

void InstallLanguage(QTranslator& translator) {
  if (translator.load(QLocale(), QStringLiteral("picfit"), QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(&translator);
}

// Says why the window does not open, in the user's language, and returns `status`.
template <typename Message>
int Refuse(int argc, char** argv, Message message, int status) {
  QCoreApplication app(argc, argv);
  QTranslator translator;
  InstallLanguage(translator);
  QTextStream(stderr) << "picfit: " << message() << "\n";
  return status;
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AskedForCommandLine(argc, argv)) return RunCommandLine(argc, argv);
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("picfit %s\n", TARN_VERSION);
    return std::fflush(stdout) == 0 ? picfit::kExitOk : picfit::kExitSomeFailed;
  }
  const WindowArgument refused = FirstRefusedArgument(argc, argv);
  if (refused.kind == WindowArgument::UnknownOption)
    return Refuse(
        argc, argv, [&] { return picfit::Tr("unknown option %1 (see picfit --help)", refused.text); },
        picfit::kExitUsage);
  if (refused.kind == WindowArgument::FileName)
    return Refuse(
        argc, argv,
        [&] {
          return picfit::Tr(
              "%1: pictures are converted with picfit --convert FILE... -o DIR; without arguments "
              "picfit opens its window",
              refused.text);
        },
        picfit::kExitUsage);
#ifdef PICFIT_HAVE_WINDOW
  if (!HasDisplay())
    return Refuse(
        argc, argv,
        [] {
          return picfit::Tr(
              "there is no display for the window (DISPLAY and WAYLAND_DISPLAY are not set); "
              "picfit --convert FILE... -o DIR works without one");
        },
        picfit::kExitSomeFailed);
  return RunPicfitWindow(argc, argv);
#else
  std::fputs("picfit: this build has no window; use picfit --convert FILE... -o DIR\n", stderr);
  return picfit::kExitUsage;
#endif
}
