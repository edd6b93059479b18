#include "app/gui_kelmoradiagnose.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The window lives until the process ends.
    auto* window = new GUI_KelmoraDiagnose();
    window->show();
    const int exitCode = app.exec();
    // A download may still be running when the window closes; its thread
    // must not outlive the application object it reports to.
    window->shutDownLink();
    return exitCode;
}
