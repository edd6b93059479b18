// Pictures of what the technician sees, taken against the simulated unit
// with the shipped texts: the Home page connected and while downloading,
// both tables (one with its export panel open) and every chart mode of both
// sides. scripts/screenshots runs it on a real X server; under ctest it
// runs offscreen. Besides taking the pictures it checks that, in every
// language, each Home button's label fits its button.
#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_downloadprogress.h"
#include "app/gui_kelmoradiagnose.h"
#include "app/gui_portcombobox.h"
#include "sim_unit.h"
#include "frame/texttable.h"
#include "files/archivefolder.h"
#include "window_dialoganswerer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

class TestScreenshots : public QObject
{
    Q_OBJECT

private:
    QString folder;
    QTemporaryDir archive;
    DialogAnswerer* answerer = nullptr;
    GUI_KelmoraDiagnose* window = nullptr;
    SimulatedUnit unit;
    QStringList written;

    template <typename T = QWidget>
    T* child(const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QTabWidget* tabs() { return child<QTabWidget>("tabs"); }

    // From the X server when there is one, so that the picture is what the
    // screen shows; the widget's own rendering otherwise.
    void shoot(const QString& name)
    {
        QTest::qWait(150);
        QCoreApplication::processEvents();
        QPixmap picture;
        if (QGuiApplication::platformName() == QLatin1String("xcb") && window->screen())
            picture = window->screen()->grabWindow(window->winId());
        if (picture.isNull() || picture.size() != window->size())
            picture = window->grab();
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        QVERIFY2(picture.save(path), qPrintable(path));
        written << path;
    }

    void checkLabelsFit(QWidget* page, QStringList& problems)
    {
        for (QPushButton* button : page->findChildren<QPushButton*>()) {
            if (button->text().isEmpty() || button->isHidden())
                continue;
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            if (needed > button->width() - 4)
                problems << QStringLiteral("language %1: %2 \"%3\" needs %4 px of %5")
                                .arg(currentLanguage()).arg(button->objectName(), button->text())
                                .arg(needed).arg(button->width());
        }
    }

    // The baseline of every text row of a label as drawn: the lowest dark
    // pixel of the row's first glyph (values) or of its closing colon
    // (names). Digits, capitals and the colon all rest on the baseline.
    static QList<int> inkBaselines(QLabel* label, bool firstGlyph)
    {
        QImage image(label->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        label->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const auto dark = [&image](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
        const auto rowHasInk = [&](int y) {
            for (int x = 0; x < image.width(); ++x)
                if (dark(x, y))
                    return true;
            return false;
        };
        QList<int> baselines;
        for (int y = 0; y < image.height();) {
            if (!rowHasInk(y)) {
                ++y;
                continue;
            }
            const int top = y;
            while (y < image.height() && rowHasInk(y))
                ++y;
            const auto columnHasInk = [&](int x) {
                for (int r = top; r < y; ++r)
                    if (dark(x, r))
                        return true;
                return false;
            };
            // The glyph at the start (or end) of the row: the ink columns
            // from that edge up to the first blank column.
            const int step = firstGlyph ? 1 : -1;
            int x = firstGlyph ? 0 : image.width() - 1;
            while (x >= 0 && x < image.width() && !columnHasInk(x))
                x += step;
            int bottom = -1;
            for (; x >= 0 && x < image.width() && columnHasInk(x); x += step)
                for (int r = top; r < y; ++r)
                    if (dark(x, r))
                        bottom = qMax(bottom, r);
            baselines << bottom;
        }
        return baselines;
    }

private Q_SLOTS:
    void initTestCase()
    {
        folder = qEnvironmentVariable("KELMORA_SCREENSHOT_DIR",
                                      QStringLiteral(KELMORA_BIN_DIR) + QStringLiteral("/../screenshots"));
        QVERIFY(QDir().mkpath(folder));
        folder = QDir(folder).absolutePath();
        // A download of its own each run: an archive left by an earlier run
        // would turn the download shown into an incremental one.
        QVERIFY(archive.isValid());
        qputenv(archiveFolderVariable, archive.path().toUtf8());
        QVERIFY2(unit.start({QStringLiteral("--records-a"), QStringLiteral("300"), QStringLiteral("--records-b"),
                             QStringLiteral("250"), QStringLiteral("--seed"), QStringLiteral("7"),
                             QStringLiteral("--svn"), QStringLiteral("1.35")}),
                 qPrintable(unit.error()));
        answerer = new DialogAnswerer(this);
        window = new GUI_KelmoraDiagnose(nullptr, QStringLiteral(KELMORA_BIN_DIR) + QStringLiteral("/qm7.loc"));
        QVERIFY2(window->reader(), "the shipped qm7.loc is missing");
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void cleanupTestCase()
    {
        if (window)
            window->shutDownLink();
        unit.stop();
        qInfo("%s", qPrintable(QStringLiteral("pictures in %1: %2").arg(folder).arg(written.size())));
    }

    void homeNotConnected() { shoot(QStringLiteral("01-home")); }

    void homeConnected()
    {
        auto* combo = child<GUI_PortComboBox>("portCombo");
        combo->rescan();
        int index = -1;
        for (int i = 0; index < 0 && i < combo->count(); ++i)
            if (QFileInfo(combo->portNameAt(i)).canonicalFilePath() == QFileInfo(unit.devicePath()).canonicalFilePath())
                index = i;
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
        child<QPushButton>("connectButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("connectButton")->isEnabled(), 20000);
        QVERIFY(child("infoValuesLabel")->isVisible());
        shoot(QStringLiteral("02-home-connected"));
    }

    void homeDownloading()
    {
        answerer->recordCount = 60;
        child<QPushButton>("downloadButton")->click();
        auto* progress = child<GUI_DownloadProgress>("downloadProgress");
        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible() && progress->caption().contains(QStringLiteral(" 2")), 20000);
        shoot(QStringLiteral("03-home-downloading"));
        QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 10000);
        QCOMPARE(sideACount, quint16(60));
        QCOMPARE(sideBCount, quint16(60));
    }

    void tables()
    {
        tabs()->setCurrentIndex(1);
        shoot(QStringLiteral("04-table-a"));
        auto* tableA = child<GUI_DataTable>("tableA");
        QCursor::setPos(tableA->mapToGlobal(QPoint(60, 40)));
        tableA->findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
        shoot(QStringLiteral("05-table-a-export-panel"));
        // The report's dialog, pictured and then cancelled.
        answerer->reportDialogShot = folder + QStringLiteral("/22-report-dialog.png");
        tableA->findChild<QPushButton*>(QStringLiteral("reportButton"))->click();
        answerer->reportDialogShot.clear();
        QCOMPARE(answerer->reportDialogs, 1);
        tabs()->setCurrentIndex(3);
        shoot(QStringLiteral("06-table-b"));
    }

    void charts()
    {
        const struct {
            ChartMode mode;
            const char* name;
        } modes[] = {{ModeIndex, "index"}, {ModeDate, "date"}, {ModeTemperature, "temperature"},
                     {ModeFuelFlow, "fuelflow"}};
        int picture = 7;
        for (char side : {'A', 'B'}) {
            tabs()->setCurrentIndex(side == 'A' ? 2 : 4);
            auto* chart = child<GUI_DisplayChart>(side == 'A' ? "chartA" : "chartB");
            for (const auto& m : modes) {
                const_cast<QPushButton*>(chart->modeButton(m.mode))->click();
                QCOMPARE(chart->chartMode(), m.mode);
                shoot(QStringLiteral("%1-chart-%2-%3").arg(picture++, 2, 10, QLatin1Char('0'))
                          .arg(QChar::fromLatin1(side).toLower()).arg(QString::fromLatin1(m.name)));
            }
        }
    }

    void homeInEveryLanguage()
    {
        tabs()->setCurrentIndex(0);
        const char* const names[] = {"english", "german", "french", "italian", "chinese", "spanish"};
        for (int language = 1; language <= 6; ++language) {
            child<QPushButton>(qPrintable(QStringLiteral("languageButton%1").arg(language % 6)))->click();
            shoot(QStringLiteral("%1-home-%2").arg(14 + language).arg(QString::fromLatin1(names[language % 6])));
        }
        child<QPushButton>("languageButton4")->click();
        tabs()->setCurrentIndex(2);
        shoot(QStringLiteral("21-chart-a-chinese"));
        child<QPushButton>("languageButton0")->click();
    }

    // Each name stands on the line of its value: the colon that ends the
    // name and the first glyph of the value rest on the same baseline, in
    // every language and at the smallest and a larger window.
    void unitInfoRowsShareTheirBaselines_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QSize>("size");
        for (int language = 0; language < 6; ++language) {
            QTest::addRow("language %d, 800x530", language) << language << QSize(800, 530);
            QTest::addRow("language %d, 1280x900", language) << language << QSize(1280, 900);
        }
    }
    void unitInfoRowsShareTheirBaselines()
    {
        QFETCH(int, language);
        QFETCH(QSize, size);
        tabs()->setCurrentIndex(0);
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        child<QPushButton>(qPrintable(QStringLiteral("languageButton%1").arg(language)))->click();
        const QList<int> names = inkBaselines(child<QLabel>("infoNamesLabel"), false);
        const QList<int> values = inkBaselines(child<QLabel>("infoValuesLabel"), true);
        child<QPushButton>("languageButton0")->click();
        window->resize(800, 530);
        // Serial number to PCM text: seven rows with the simulated unit.
        QCOMPARE(names.size(), 7);
        QCOMPARE(values.size(), names.size());
        for (int row = 0; row < names.size(); ++row)
            QVERIFY2(qAbs(names.at(row) - values.at(row)) <= 1,
                     qPrintable(QStringLiteral("row %1: name on %2, value on %3")
                                    .arg(row).arg(names.at(row)).arg(values.at(row))));
    }

    void buttonLabelsFit()
    {
        tabs()->setCurrentIndex(0);
        QStringList problems;
        for (int language = 0; language < 6; ++language) {
            child<QPushButton>(qPrintable(QStringLiteral("languageButton%1").arg(language)))->click();
            checkLabelsFit(child("homePage"), problems);
            checkLabelsFit(child("tableA"), problems);
        }
        child<QPushButton>("languageButton0")->click();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
