#include "gui_kelmoradiagnose.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The window lives until the process ends.
    auto* window = new GUI_KelmoraDiagnose();
    window->show();
    return app.exec();
}
