#include "gui_kelmoradiagnose.h"

#include "texttable.h"

GUI_KelmoraDiagnose::GUI_KelmoraDiagnose(QWidget* parent)
    : QMainWindow(parent)
{
    setStyleSheet(QStringLiteral("background: white;"));
    loadTextTable();
    setWindowTitle(QStringLiteral("KELMORADiagnose v4.6"));
    resize(800, 530);
    setMinimumSize(800, 530);
}
