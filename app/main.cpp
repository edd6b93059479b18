#include "app/gui_kelmoradiagnose.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The window lives until the process ends.
    auto* window = new GUI_KelmoraDiagnose();
    window->show();
    const int exitCode = app.exec();
    // A download may still be running when the window closes; its thread
    // must not outlive the application object it reports to.
    if (!window->shutDownLink()) {
        // A thread still inside the port must not meet the static
        // destructors: leave without running them.
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
