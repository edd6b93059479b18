// The compiled-in images and the shared style sheets.
#include "frame/stylesheets.h"

#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct Rgb {
    int r, g, b;
};

// Mean colour of a rectangle of the image (alpha ignored).
Rgb meanColour(const QImage& image, const QRect& area)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
            ++n;
        }
    return {int(r / n), int(g / n), int(b / n)};
}

bool isBlack(Rgb c) { return c.r < 60 && c.g < 60 && c.b < 60; }
bool isWhite(Rgb c) { return c.r > 225 && c.g > 225 && c.b > 225; }
bool isRed(Rgb c) { return c.r > 150 && c.g < 80 && c.b < 80; }
bool isGold(Rgb c) { return c.r > 200 && c.g > 150 && c.b < 80; }
bool isBlue(Rgb c) { return c.b > 80 && c.r < 60 && c.b > c.g + 40; }
bool isGreen(Rgb c) { return c.g > 100 && c.r < 60 && c.g > c.b + 30; }

QString describe(Rgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(c.r).arg(c.g).arg(c.b);
}

// Rectangles inside flag tile i (24 x 24 each), clear of the tile's frame.
QRect horizontalBand(int tile, int top, int bottom) { return QRect(24 * tile + 3, top, 18, bottom - top + 1); }
QRect verticalBand(int tile, int left, int right) { return QRect(24 * tile + left, 3, right - left + 1, 18); }

int countPixels(const QImage& image, const QRect& area, bool (*test)(Rgb))
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += test({c.red(), c.green(), c.blue()}) ? 1 : 0;
        }
    return n;
}

QString joinRules(const QStringList& rules) { return rules.join(QLatin1Char('\n')); }

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

    QImage flags;

private Q_SLOTS:
    void initTestCase()
    {
        flags = QImage(QStringLiteral(":/images/countryflags")).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!flags.isNull());
    }

    void everyImageHasItsSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("kelmora") << ":/images/kelmora" << QSize(559, 353);
        QTest::newRow("tolmarbig") << ":/images/tolmarbig" << QSize(141, 50);
        QTest::newRow("countryflags") << ":/images/countryflags" << QSize(144, 24);
        QTest::newRow("chartmode_index") << ":/images/chartmode_index" << QSize(39, 32);
        QTest::newRow("chartmode_fillings") << ":/images/chartmode_fillings" << QSize(50, 50);
        QTest::newRow("chartmode_date") << ":/images/chartmode_date" << QSize(50, 50);
        QTest::newRow("chartmode_temperature") << ":/images/chartmode_temperature" << QSize(36, 42);
        QTest::newRow("chartmode_fuelflow") << ":/images/chartmode_fuelflow" << QSize(28, 45);
        QTest::newRow("up") << ":/images/up" << QSize(14, 9);
        QTest::newRow("down") << ":/images/down" << QSize(14, 9);
        QTest::newRow("dropdown") << ":/images/dropdown" << QSize(22, 40);
        QTest::newRow("handle") << ":/images/handle" << QSize(22, 10);
    }

    void everyImageHasItsSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), size);
    }

    // The core's resource set (the ODS members) and the GUI's (the images)
    // are registered separately; a program with both libraries has both.
    void fixedOdsMembersAreTheShippedFiles_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"mimetype", "styles.xml", "meta.xml", "Object_1_styles.xml"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void fixedOdsMembersAreTheShippedFiles()
    {
        QFETCH(QString, name);
        QFile resource(QStringLiteral(":/files/") + name);
        QVERIFY2(resource.open(QIODevice::ReadOnly), qPrintable(resource.fileName()));
        QFile shipped(QStringLiteral(KELMORA_SOURCE_DIR "/frame/files/") + name);
        QVERIFY2(shipped.open(QIODevice::ReadOnly), qPrintable(shipped.fileName()));
        const QByteArray bytes = resource.readAll();
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(bytes, shipped.readAll());
    }

    void flagStripHoldsTheSixFlagsInLanguageOrder()
    {
        // 0 United Kingdom: red cross in the centre, blue field, white fimbriation
        const Rgb ukCentre = meanColour(flags, QRect(10, 10, 4, 4));
        QVERIFY2(isRed(ukCentre), qPrintable(describe(ukCentre)));
        QVERIFY(countPixels(flags, QRect(1, 1, 22, 22), isBlue) >= 20);
        QVERIFY(countPixels(flags, QRect(1, 1, 22, 22), isWhite) >= 60);
        // 1 Germany: black, red, gold from top to bottom
        QVERIFY2(isBlack(meanColour(flags, horizontalBand(1, 2, 5))), qPrintable(describe(meanColour(flags, horizontalBand(1, 2, 5)))));
        QVERIFY(isRed(meanColour(flags, horizontalBand(1, 10, 13))));
        QVERIFY(isGold(meanColour(flags, horizontalBand(1, 18, 21))));
        // 2 France: blue, white, red from left to right
        QVERIFY(isBlue(meanColour(flags, verticalBand(2, 2, 5))));
        QVERIFY(isWhite(meanColour(flags, verticalBand(2, 10, 13))));
        QVERIFY(isRed(meanColour(flags, verticalBand(2, 18, 21))));
        // 3 Italy: green, white, red
        QVERIFY(isGreen(meanColour(flags, verticalBand(3, 2, 5))));
        QVERIFY(isWhite(meanColour(flags, verticalBand(3, 10, 13))));
        QVERIFY(isRed(meanColour(flags, verticalBand(3, 18, 21))));
        // 4 China: red field, yellow stars in the upper hoist quarter only
        QVERIFY(isRed(meanColour(flags, QRect(24 * 4 + 12, 14, 9, 8))));
        QVERIFY(countPixels(flags, QRect(24 * 4 + 1, 1, 16, 12), isGold) >= 12);
        QCOMPARE(countPixels(flags, QRect(24 * 4 + 1, 14, 22, 9), isGold), 0);
        // 5 Spain: red, yellow, red
        QVERIFY(isRed(meanColour(flags, horizontalBand(5, 1, 4))));
        QVERIFY(isGold(meanColour(flags, horizontalBand(5, 9, 14))));
        QVERIFY(isRed(meanColour(flags, horizontalBand(5, 19, 22))));
    }

    // The mode images sit on dark blue buttons and the arrows on dark blue
    // controls: whatever they draw must be light, on a transparent ground.
    void lightImagesAreWhiteOnTransparent_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* name : {"chartmode_index", "chartmode_fillings", "chartmode_date",
                                 "chartmode_temperature", "chartmode_fuelflow", "up", "down", "dropdown"})
            QTest::newRow(name) << QStringLiteral(":/images/%1").arg(QLatin1String(name));
    }

    void lightImagesAreWhiteOnTransparent()
    {
        QFETCH(QString, path);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 128)
                    continue;
                ++drawn;
                QVERIFY2(c.red() > 200 && c.green() > 200 && c.blue() > 200,
                         qPrintable(QStringLiteral("dark pixel at %1,%2").arg(x).arg(y)));
            }
        QVERIFY2(drawn * 20 >= image.width() * image.height(), "image is almost empty");
    }

    // Rows of opaque pixels widen towards the base of each arrow.
    void arrowsPointTheRightWay()
    {
        const auto width = [](const QImage& image, int row) {
            int n = 0;
            for (int x = 0; x < image.width(); ++x)
                n += image.pixelColor(x, row).alpha() >= 128 ? 1 : 0;
            return n;
        };
        const QImage up = QImage(QStringLiteral(":/images/up")).convertToFormat(QImage::Format_ARGB32);
        const QImage down = QImage(QStringLiteral(":/images/down")).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(width(up, 2) < width(up, 6));
        QVERIFY(width(down, 2) > width(down, 6));
        const QImage dropdown = QImage(QStringLiteral(":/images/dropdown")).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(width(dropdown, 17) > width(dropdown, 23));
    }

    void handleShowsAGrip()
    {
        const QImage handle = QImage(QStringLiteral(":/images/handle")).convertToFormat(QImage::Format_ARGB32);
        int dark = 0;
        for (int y = 0; y < handle.height(); ++y)
            for (int x = 0; x < handle.width(); ++x) {
                const QColor c = handle.pixelColor(x, y);
                dark += (c.alpha() > 128 && c.lightness() < 120) ? 1 : 0;
            }
        QVERIFY(dark >= 10);
    }

    void logosAreNotBlank()
    {
        for (const char* path : {":/images/kelmora", ":/images/tolmarbig"}) {
            const QImage image = QImage(QLatin1String(path)).convertToFormat(QImage::Format_ARGB32);
            const int dark = countPixels(image, image.rect(), [](Rgb c) { return c.r < 60 && c.g < 80 && c.b > 70 && c.b < 130; });
            QVERIFY2(dark * 50 >= image.width() * image.height(), path); // the dark blue lettering
        }
    }

    void everyImageNamedByAStyleSheetExists()
    {
        const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
        int found = 0;
        for (const QString& sheet : {dialogStyle, comboBoxStyle, smallComboBoxStyle, scrollBarStyle}) {
            auto it = url.globalMatch(sheet);
            while (it.hasNext()) {
                const QString path = it.next().captured(1).trimmed();
                QVERIFY2(QFile::exists(path), qPrintable(path));
                QVERIFY(!QImage(path).isNull());
                ++found;
            }
        }
        QCOMPARE(found, 5);
    }

    void styleSheets_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QStringList>("rules");

        const QString hover = QStringLiteral("QAbstractButton:hover {border:5px solid #AAAAAA; border-top-right-radius:15px; background:#1C3563; color:#AAAAAA;}");
        const QString pressed = QStringLiteral("QAbstractButton:pressed {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563;}");
        const QString boxButton = QStringLiteral("QAbstractButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:14pt; height:50px; width:100px}");

        QTest::newRow("dialogStyle") << dialogStyle << QStringList{
            QStringLiteral("QLabel {color:#1C3563; font-size:14pt;}"),
            QStringLiteral("QDialog {border:2px solid #1C3563; font-size:20px; color:#1C3563; border-radius:5px; width:120px; height:50px; background: #FFFFFF;}"),
            boxButton, hover, pressed,
            QStringLiteral("QLineEdit {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563; font-size:14pt;}"),
            QStringLiteral("QSpinBox {border:5px solid #1C3563; padding-top:10px; padding-bottom:10px; border-top-right-radius:15px; background:white; color:#1C3563; font-size:14pt; height:50px;}"),
            QStringLiteral("QSpinBox:up-button {border:0; border-top-right-radius:15px; background:#1C3563; color:white;}"),
            QStringLiteral("QSpinBox:up-arrow {image:url(:/images/up);}"),
            QStringLiteral("QSpinBox:down-button {border:0; background:#1C3563; color:white;}"),
            QStringLiteral("QSpinBox:down-arrow {image:url(:/images/down);}")};

        QTest::newRow("messageBoxStyle") << messageBoxStyle << QStringList{
            QStringLiteral("QLabel {color:#1C3563;}"),
            QStringLiteral("QMessageBox {border:2px solid #1C3563; font-size:20px; color:#1C3563; border-radius:5px; width:120px; height:50px; background: #FFFFFF;}"),
            boxButton, hover, pressed};

        const QString pushHover = QStringLiteral("QPushButton:hover {border:5px solid #AAAAAA; border-top-right-radius:15px; background:#1C3563; color:#AAAAAA;}");
        const QString pushPressed = QStringLiteral("QPushButton:pressed {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563;}");
        QTest::newRow("buttonStyle") << buttonStyle << QStringList{
            QStringLiteral("QPushButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:14pt;}"),
            pushHover, pushPressed};
        QTest::newRow("smallButtonStyle") << smallButtonStyle << QStringList{
            QStringLiteral("QPushButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:10pt;}"),
            pushHover, pushPressed};
        QTest::newRow("squareButtonStyle") << squareButtonStyle << QStringList{
            QStringLiteral("QPushButton {border:0; background:#1C3563; color:white; font-size:14pt;}"),
            QStringLiteral("QPushButton:hover {border:5px solid #AAAAAA; background:#1C3563; color:#AAAAAA;}"),
            QStringLiteral("QPushButton:pressed {border:5px solid #1C3563; background:white; color:#1C3563;}")};
        QTest::newRow("flatButtonStyle") << flatButtonStyle << QStringList{
            QStringLiteral("QPushButton {border:0; background:white;}"),
            QStringLiteral("QPushButton:hover {border:2px solid #AAAAAA;}"),
            QStringLiteral("QPushButton:pressed {border:5px solid #1C3563;}")};

        const QString dropDown = QStringLiteral("QComboBox::drop-down {border-left:2px solid white; background:#1C3563; width:22px; border-top-right-radius:10px; border-bottom-right-radius:0px;}");
        QTest::newRow("comboBoxStyle") << comboBoxStyle << QStringList{
            QStringLiteral("QComboBox {border:0; background:#1C3563; border-top-right-radius:15px; font-size:16px; padding-left:10px; color:white; font-size:14pt;}"),
            dropDown,
            QStringLiteral("QComboBox::down-arrow {image: url(:/images/dropdown); width:22px; height:40px;}")};
        QTest::newRow("smallComboBoxStyle") << smallComboBoxStyle << QStringList{
            QStringLiteral("QComboBox {border:0; background:#1C3563; border-top-right-radius:15px; font-size:16px; padding-left:10px; color:white; font-size:14pt; font-size:10pt;}"),
            dropDown,
            QStringLiteral("QComboBox::down-arrow {image: url(:/images/dropdown); width:14px; height:20px;}")};

        QTest::newRow("scrollBarStyle") << scrollBarStyle << QStringList{
            QStringLiteral("QScrollBar:vertical {border-left:2px solid white; background:#1C3563; width:23px; margin:0px 0px 0px 0px;}"),
            QStringLiteral("QScrollBar::handle:vertical {border:1px solid #1C3563; background:white; min-height:30px; image:url(:/images/handle)}"),
            QStringLiteral("QScrollBar::add-line:vertical {border:0px solid #1C3563; background:#1C3563; width:16px; height:2px; subcontrol-position:top; subcontrol-origin:margin;}"),
            QStringLiteral("QScrollBar::sub-line:vertical {border:0px solid #1C3563; background:#1C3563; width:16px; height:2px; subcontrol-position:bottom; subcontrol-origin:margin;}")};
        QTest::newRow("listViewStyle") << listViewStyle << QStringList{
            QStringLiteral("QListView {border:0; background:#1C3563; padding-left:5px; font-size:14pt; color:white; width:150px;}"),
            QStringLiteral("QListView::item {border:0; margin:3px;}"),
            QStringLiteral("QListView::item:selected:active {border:0; background:transparent;}")};
        QTest::newRow("textEditStyle") << textEditStyle << QStringList{
            QStringLiteral("QTextEdit {border:2px solid #1C3563; border-radius:5px; background:white; color:#1C3563;}")};
        QTest::newRow("tabWidgetStyle") << tabWidgetStyle << QStringList{
            QStringLiteral("QTabWidget::pane {border: 1px solid #253a7c; background-color: QLinearGradient(x1: 0, y1: 0, x2: 0, y2: 0.9, x3: 0, y3: 1, stop: 0 #e8f0fa, stop: 0.5 #cbdbef, stop: 1 #e8f0fa);}"),
            QStringLiteral("QTabBar::tab {color:#253a7c; width:120px; height:30px; font-size:12pt;}"),
            QStringLiteral("QTabBar::hover {color: #253a7c;}")};
    }

    void styleSheets()
    {
        QFETCH(QString, actual);
        QFETCH(QStringList, rules);
        // Rule by rule first, so that a mismatch names the rule.
        const QStringList actualRules = actual.split(QLatin1Char('\n'));
        QCOMPARE(actualRules.size(), rules.size());
        for (int i = 0; i < rules.size(); ++i)
            QCOMPARE(actualRules.at(i), rules.at(i));
        QCOMPARE(actual, joinRules(rules));
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
