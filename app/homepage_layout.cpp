// Where every widget of the window sits, for any window size. The Home page
// widgets are placed from the size of the tab widget, so that they follow
// the window as it grows; the central pictures stop moving left or up at a
// minimum position so that they do not run into the left column of buttons.
#include "app/gui_kelmoradiagnose.h"
#include "app/gui_infocolumn.h"

#include "app/gui_downloadprogress.h"
#include "app/gui_portcombobox.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>

void GUI_KelmoraDiagnose::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layOutHomePage();
}

void GUI_KelmoraDiagnose::layOutHomePage()
{
    if (!tabs)
        return; // the empty window of a missing text table
    const int W = width();
    const int H = height();
    tabs->setGeometry(5, 5, W - 10, H - 10);
    for (int i = 0; i < languageCount; ++i) {
        home.languageButtons[i]->setGeometry(W - 170 + 28 * i, 10, 24, 24);
        home.languageButtons[i]->raise();
    }

    const int w = tabs->width();
    const int h = tabs->height();
    home.bannerLabel->setGeometry(w - 150, 10, 1410, 50);

    const int pictureX = qMax(w / 2 - 260, 140);
    const int pictureY = qMax(h / 2 - 205, 60);
    home.pictureLabel->setGeometry(pictureX, pictureY, 559, 353);

    const bool namesPinned = w / 2 + 30 < 415;
    const int infoY = qMax(h / 2 - 235, 20);
    home.infoNamesLabel->setGeometry(namesPinned ? 415 : w / 2 + 30, infoY, 145, 200);
    // A value longer than the column (a PCM text may have 14 characters)
    // widens it towards the page's right edge rather than being cut off.
    const int valuesX = namesPinned ? 570 : w / 2 + 185;
    const int valuesWidth = qBound(100, home.infoValuesLabel->widestLine(), qMax(100, w - 10 - valuesX));
    home.infoValuesLabel->setGeometry(valuesX, infoY, valuesWidth, 200);

    home.portCombo->setGeometry(20, 50, 150, 50);
    home.connectButton->setGeometry(20, 110, 150, 50);
    home.downloadButton->setGeometry(20, 170, 150, 50);
    home.fullDownloadBox->setGeometry(20, 222, 150, 22);
    home.reportButton->setGeometry(20, 250, 150, 50);
    home.openFileButton->setGeometry(20, h - 100, 150, 50);
    home.visitsButton->setGeometry(20, h - 160, 150, 50);

    home.resetModeButton->setGeometry(w - 300, h - 300, 290, 30);
    home.dateTimeEdit->setGeometry(w - 300, h - 260, 150, 30);
    home.setTimeButton->setGeometry(w - 140, h - 260, 130, 30);
    home.pulseInputCombo->setGeometry(w - 300, h - 220, 90, 30);
    home.setPulseInputButton->setGeometry(w - 200, h - 220, 190, 30);
    logView.setGeometry(w - 300, h - 180, 290, 140);

    // The download progress sits in the free strip right of the open-file
    // button: below the picture (whose bottom is at most h - 100 for every
    // height the window allows) and left of the log.
    downloadProgress->setGeometry(180, h - 100, qMin(w - 490, 420), 50);
}
