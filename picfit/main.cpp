// picfit: fits pictures to the handheld's screen and writes bitmaps.
// With --convert it works from the command line without a window.

#include "cli_text.h"
#include "convert_command.h"

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
#include "ui/picfit_window.h"
#endif

namespace {

int RunCommandLine(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The command line speaks the user's language; English needs no translation.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("picfit"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);
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
    for (std::string_view option : {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style",
                                    "-stylesheet", "-session", "-display", "-geometry", "-qwindowgeometry",
                                    "-qwindowicon", "-qwindowtitle", "-title", "-name"})
        if (arg == option) return true;
    return false;
}

// What is wrong with the arguments of the window, or "": the window takes none of its own
// (Qt's single-dash options pass).
std::string WindowArgumentProblem(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (QtOptionWithValue(arg)) {
            ++i;
        } else if (arg.starts_with("--")) {
            return "unknown option " + std::string(arg) + " (see picfit --help)";
        } else if (!arg.starts_with('-')) {
            return std::string(arg) + ": pictures are converted with picfit --convert FILE... -o DIR; "
                                      "without arguments picfit opens its window";
        }
    }
    return {};
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
    if (const std::string problem = WindowArgumentProblem(argc, argv); !problem.empty()) {
        std::fprintf(stderr, "picfit: %s\n", problem.c_str());
        return picfit::kExitUsage;
    }
#ifdef PICFIT_HAVE_WINDOW
    if (!HasDisplay()) {
        std::fputs("picfit: there is no display for the window (DISPLAY and WAYLAND_DISPLAY are not set); "
                   "picfit --convert FILE... -o DIR works without one\n",
                   stderr);
        return picfit::kExitSomeFailed;
    }
    return RunPicfitWindow(argc, argv);
#else
    std::fputs("picfit: this build has no window; use picfit --convert FILE... -o DIR\n", stderr);
    return picfit::kExitUsage;
#endif
}
