// picfit: fits pictures to the handheld's screen and writes bitmaps.
// With --convert it works from the command line without a window.

#include "picfit/engine/convert_command.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#ifdef PICFIT_HAVE_WINDOW
#include "picfit/ui/picfit_window.h"
#endif

namespace {

int RunCommandLine(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = picfit::RunConvertCommand(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return status;
}

// The command line runs without a display: --convert, and --help for its usage.
bool AskedForCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--convert" || arg == "--help" || arg == "-h") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AskedForCommandLine(argc, argv)) return RunCommandLine(argc, argv);
#ifdef PICFIT_HAVE_WINDOW
    return RunPicfitWindow(argc, argv);
#else
    std::fputs("picfit: this build has no window; use picfit --convert FILE... -o DIR\n", stderr);
    return picfit::kExitUsage;
#endif
}
