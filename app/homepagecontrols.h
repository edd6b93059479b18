// The Home page's own widgets: the unit's information, the language and
// port choice, and the buttons and fields that act on the line and the
// unit. Made and laid out by the window, which owns them through the page.
#pragma once

class GUI_InfoColumn;
class GUI_PortComboBox;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;

struct HomePageControls {
    static constexpr int languageCount = 6;

    QLabel* bannerLabel = nullptr;
    QLabel* pictureLabel = nullptr;
    GUI_InfoColumn* infoNamesLabel = nullptr;
    GUI_InfoColumn* infoValuesLabel = nullptr;
    QPushButton* languageButtons[languageCount] = {};
    GUI_PortComboBox* portCombo = nullptr;
    QPushButton* connectButton = nullptr;
    QPushButton* openFileButton = nullptr;
    QPushButton* visitsButton = nullptr;
    QPushButton* downloadButton = nullptr;
    QCheckBox* fullDownloadBox = nullptr;  // checked: ask the unit for the whole count
    QPushButton* reportButton = nullptr;
    QPushButton* resetModeButton = nullptr;
    QPushButton* setTimeButton = nullptr;
    QPushButton* setPulseInputButton = nullptr;
    QDateTimeEdit* dateTimeEdit = nullptr;
    QComboBox* pulseInputCombo = nullptr;
};
