// The shared style sheets. There is no application-wide sheet: every widget
// applies one of these (or a literal of its own) with setStyleSheet.
#pragma once

#include <QString>

extern const QString dialogStyle;
extern const QString messageBoxStyle;
extern const QString buttonStyle;
extern const QString smallButtonStyle;
extern const QString squareButtonStyle;
extern const QString flatButtonStyle;
extern const QString comboBoxStyle;
extern const QString smallComboBoxStyle;
extern const QString scrollBarStyle;
extern const QString listViewStyle;
extern const QString textEditStyle;
extern const QString tabWidgetStyle;

// The line above a side's table and chart that names the unit of its
// records; a warning (records missing, another unit beside) stands out.
QString sideNoteStyle(bool warning);
