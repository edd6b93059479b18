// One column of the unit information on the Home page: the names or the
// values, one per line. The two columns stand side by side and each name
// belongs to the value on its line, so both are drawn on the same rows: the
// row height and the baseline come from the lines of both columns together.
// A line whose glyphs come from a taller fallback font (Chinese names beside
// Latin digits) would otherwise make its column's lines taller than the
// other's, and the columns drift apart line by line.
#pragma once

#include <QLabel>

class GUI_InfoColumn : public QLabel
{
    Q_OBJECT

public:
    struct Rows {
        int pitch = 0;   // distance between the tops of two rows
        int ascent = 0;  // from a row's top to its baseline
    };

    explicit GUI_InfoColumn(QWidget* parent = nullptr);

    // The column drawn on the same rows as this one.
    void setPartner(GUI_InfoColumn* other);
    // The rows of both columns, from their texts and fonts.
    Rows rows() const;
    // The lines of a column text ("\r\n" or "\n" between lines, one at the end).
    static QStringList linesOf(const QString& text);
    // The width the longest line needs, in pixels.
    int widestLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Widens ascent and descent to this column's lines.
    void measure(int& ascent, int& descent) const;

    GUI_InfoColumn* partner = nullptr;
};
