// Progress of a history download on the Home page: records and bytes
// received for the side being read, against the count asked for, and an
// estimate of the time left.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

class GUI_DownloadProgress : public QWidget
{
    Q_OBJECT

public:
    explicit GUI_DownloadProgress(QWidget* parent = nullptr);

    // A download starts: requested records per side, one side or both.
    void begin(int requested, bool bothSides);
    void update(char side, int bytes, int lines, int requested);
    // The side builds on the archive: newRecords come from the line, the
    // progress that follows counts them (and the overlap record); -1: the
    // side is read whole after all.
    void plan(char side, int newRecords, int fromArchive);
    // The download is over; the widget hides.
    void finish();
    void retranslate();

    // Seconds left when recordsDone took elapsedMs and recordsLeft remain;
    // -1 while there is too little to go on.
    static int secondsLeft(qint64 elapsedMs, int recordsDone, int recordsLeft);
    // "12 B", "3.4 kB", "1.2 MB".
    static QString byteText(qint64 bytes);
    QString caption() const;
    QString detail() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    bool startsSideB(char other) const;  // other is side B after side A

    QLabel* captionLabel = nullptr;
    QProgressBar* bar = nullptr;
    QElapsedTimer clock;
    bool bothSides = false;
    char side = 'A';
    int bytes = 0;
    int lines = 0;
    int requested = 0;
    int linesSideA = 0; // what side A delivered, once side B is read
    int planNew[2] = {-1, -1};   // per side: records from the line when building on the archive
    int planArchived[2] = {0, 0};
};
