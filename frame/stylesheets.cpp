#include "frame/stylesheets.h"

#include <QStringList>

// Palette: dark blue #1C3563, hover grey #AAAAAA, white; tabs #253a7c.
namespace {

const char* const hoverRule =
    "QAbstractButton:hover {border:5px solid #AAAAAA; border-top-right-radius:15px; background:#1C3563; color:#AAAAAA;}";
const char* const pressedRule =
    "QAbstractButton:pressed {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563;}";

QString joinRules(std::initializer_list<const char*> rules)
{
    QStringList lines;
    for (const char* rule : rules)
        lines << QString::fromLatin1(rule);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

const QString dialogStyle = joinRules({
    "QLabel {color:#1C3563; font-size:14pt;}",
    "QDialog {border:2px solid #1C3563; font-size:20px; color:#1C3563; border-radius:5px; width:120px; height:50px; background: #FFFFFF;}",
    "QAbstractButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:14pt; height:50px; width:100px}",
    hoverRule,
    pressedRule,
    "QLineEdit {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563; font-size:14pt;}",
    "QSpinBox {border:5px solid #1C3563; padding-top:10px; padding-bottom:10px; border-top-right-radius:15px; background:white; color:#1C3563; font-size:14pt; height:50px;}",
    "QSpinBox:up-button {border:0; border-top-right-radius:15px; background:#1C3563; color:white;}",
    "QSpinBox:up-arrow {image:url(:/images/up);}",
    "QSpinBox:down-button {border:0; background:#1C3563; color:white;}",
    "QSpinBox:down-arrow {image:url(:/images/down);}",
});

const QString messageBoxStyle = joinRules({
    "QLabel {color:#1C3563;}",
    "QMessageBox {border:2px solid #1C3563; font-size:20px; color:#1C3563; border-radius:5px; width:120px; height:50px; background: #FFFFFF;}",
    "QAbstractButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:14pt; height:50px; width:100px}",
    hoverRule,
    pressedRule,
});

const QString buttonStyle = joinRules({
    "QPushButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:14pt;}",
    "QPushButton:hover {border:5px solid #AAAAAA; border-top-right-radius:15px; background:#1C3563; color:#AAAAAA;}",
    "QPushButton:pressed {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563;}",
});

const QString smallButtonStyle = joinRules({
    "QPushButton {border:0; border-top-right-radius:15px; background:#1C3563; color:white; font-size:10pt;}",
    "QPushButton:hover {border:5px solid #AAAAAA; border-top-right-radius:15px; background:#1C3563; color:#AAAAAA;}",
    "QPushButton:pressed {border:5px solid #1C3563; border-top-right-radius:15px; background:white; color:#1C3563;}",
});

const QString squareButtonStyle = joinRules({
    "QPushButton {border:0; background:#1C3563; color:white; font-size:14pt;}",
    "QPushButton:hover {border:5px solid #AAAAAA; background:#1C3563; color:#AAAAAA;}",
    "QPushButton:pressed {border:5px solid #1C3563; background:white; color:#1C3563;}",
});

const QString flatButtonStyle = joinRules({
    "QPushButton {border:0; background:white;}",
    "QPushButton:hover {border:2px solid #AAAAAA;}",
    "QPushButton:pressed {border:5px solid #1C3563;}",
});

const QString comboBoxStyle = joinRules({
    "QComboBox {border:0; background:#1C3563; border-top-right-radius:15px; font-size:16px; padding-left:10px; color:white; font-size:14pt;}",
    "QComboBox::drop-down {border-left:2px solid white; background:#1C3563; width:22px; border-top-right-radius:10px; border-bottom-right-radius:0px;}",
    "QComboBox::down-arrow {image: url(:/images/dropdown); width:22px; height:40px;}",
});

const QString smallComboBoxStyle = joinRules({
    "QComboBox {border:0; background:#1C3563; border-top-right-radius:15px; font-size:16px; padding-left:10px; color:white; font-size:14pt; font-size:10pt;}",
    "QComboBox::drop-down {border-left:2px solid white; background:#1C3563; width:22px; border-top-right-radius:10px; border-bottom-right-radius:0px;}",
    "QComboBox::down-arrow {image: url(:/images/dropdown); width:14px; height:20px;}",
});

const QString scrollBarStyle = joinRules({
    "QScrollBar:vertical {border-left:2px solid white; background:#1C3563; width:23px; margin:0px 0px 0px 0px;}",
    "QScrollBar::handle:vertical {border:1px solid #1C3563; background:white; min-height:30px; image:url(:/images/handle)}",
    "QScrollBar::add-line:vertical {border:0px solid #1C3563; background:#1C3563; width:16px; height:2px; subcontrol-position:top; subcontrol-origin:margin;}",
    "QScrollBar::sub-line:vertical {border:0px solid #1C3563; background:#1C3563; width:16px; height:2px; subcontrol-position:bottom; subcontrol-origin:margin;}",
});

const QString listViewStyle = joinRules({
    "QListView {border:0; background:#1C3563; padding-left:5px; font-size:14pt; color:white; width:150px;}",
    "QListView::item {border:0; margin:3px;}",
    "QListView::item:selected:active {border:0; background:transparent;}",
});

const QString textEditStyle = QStringLiteral(
    "QTextEdit {border:2px solid #1C3563; border-radius:5px; background:white; color:#1C3563;}");

const QString tabWidgetStyle = joinRules({
    "QTabWidget::pane {border: 1px solid #253a7c; background-color: QLinearGradient(x1: 0, y1: 0, x2: 0, y2: 0.9, x3: 0, y3: 1, stop: 0 #e8f0fa, stop: 0.5 #cbdbef, stop: 1 #e8f0fa);}",
    "QTabBar::tab {color:#253a7c; width:120px; height:30px; font-size:12pt;}",
    "QTabBar::hover {color: #253a7c;}",
});

QString sideNoteStyle(bool warning)
{
    return warning ? QStringLiteral("QLabel {color:#A01010; font-size:10pt; font-weight:bold;}")
                   : QStringLiteral("QLabel {color:#1C3563; font-size:10pt;}");
}
