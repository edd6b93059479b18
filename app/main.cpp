#include "app/gui_kelmoradiagnose.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Everything the program keeps is written before this point (the archive
// and settings files are replaced as they change). Under Wine, once the
// window has listed the archive on a few threads of its own, the runtime's
// clean-up after ExitProcess can wait for ever; a technician would see a
// program that does not end. On Windows the process is therefore ended
// here, without the DLL clean-up, which holds nothing of ours.
[[noreturn]] void leave(int exitCode)
{
    std::fflush(nullptr);
#ifdef Q_OS_WIN
    ::TerminateProcess(::GetCurrentProcess(), UINT(exitCode));
#endif
    std::_Exit(exitCode);
}

} // namespace

int main(int argc, char* argv[])
{
    int exitCode = 0;
    {
        QApplication app(argc, argv);
        // The window lives until the process ends.
        auto* window = new GUI_KelmoraDiagnose();
        window->show();
        exitCode = app.exec();
        // A download may still be running when the window closes; its thread
        // must not outlive the application object it reports to.
        if (!window->shutDownLink()) {
            // A thread still inside the port must not meet the static
            // destructors: leave without running them.
            leave(exitCode);
        }
    }
#ifdef Q_OS_WIN
    leave(exitCode);
#else
    return exitCode;
#endif
}
