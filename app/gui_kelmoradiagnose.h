// The application's only window.
#pragma once

#include <QMainWindow>

class GUI_KelmoraDiagnose : public QMainWindow
{
    Q_OBJECT

public:
    explicit GUI_KelmoraDiagnose(QWidget* parent = nullptr);
};
