// The styled message box and the record-count dialog, answered from a timer
// the way a user would answer them.
#include "frame_autoanswer.h"
#include "frame/messagebox.h"
#include "frame/stylesheets.h"
#include "frame/texttable.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What the test saw of a message box before answering it.
struct SeenBox {
    bool isMessageBox = false;
    QString styleSheet;
    Qt::WindowFlags flags;
    QString text;
    QString informative;
    struct Button {
        QString label;
        QMessageBox::ButtonRole role;
        Qt::FocusPolicy focus;
    };
    QMap<QString, Button> buttons; // by object name

    QString label(const QString& name) const { return buttons.value(name).label; }
};

SeenBox inspect(QWidget* modal)
{
    SeenBox seen;
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box)
        return seen;
    seen.isMessageBox = true;
    seen.styleSheet = box->styleSheet();
    seen.flags = box->windowFlags();
    seen.text = box->text();
    seen.informative = box->informativeText();
    for (QAbstractButton* button : box->buttons())
        seen.buttons.insert(button->objectName(),
                            {button->text(), box->buttonRole(button), button->focusPolicy()});
    return seen;
}

// Inspects the box, then clicks the button with the given object name.
AutoAnswer::Action clickNamed(SeenBox& seen, const QString& name)
{
    return [&seen, name](QWidget* modal) {
        seen = inspect(modal);
        if (QAbstractButton* button = findButtonNamed(modal, name))
            button->click();
    };
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    // A table whose entry n reads "<language> n", so every label is known.
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("qm7.loc")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int n = 0; n < 100; ++n)
            file.write(QStringLiteral("k%1;en %1;de %1;fr %1;it %1;zh %1;es %1\n").arg(n).toUtf8());
        file.close();
        QVERIFY(loadTextTableFrom(file.fileName()));
    }

    void cleanupTestCase() { clearTextTable(); }

    void twoButtonBoxAnswersOneForCancel()
    {
        SeenBox seen;
        AutoAnswer answer(clickNamed(seen, QStringLiteral("reject")));
        const int result = showMessage(messageBoxStyle, QStringLiteral("Export?"), QStringLiteral("details"),
                                       {{MessageButtonRole::Confirm, QStringLiteral("Both")},
                                        {MessageButtonRole::Cancel, QStringLiteral("This one")}});
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QCOMPARE(result, 1);
        QVERIFY(seen.isMessageBox);
        QCOMPARE(seen.styleSheet, messageBoxStyle);
        QCOMPARE(seen.text, QStringLiteral("Export?"));
        QCOMPARE(seen.informative, QStringLiteral("details"));
        QCOMPARE(seen.buttons.keys(), (QStringList{QStringLiteral("reject"), QStringLiteral("yes")}));
        QCOMPARE(seen.label(QStringLiteral("yes")), QStringLiteral("Both"));
        QCOMPARE(seen.label(QStringLiteral("reject")), QStringLiteral("This one"));
        QCOMPARE(seen.buttons.value(QStringLiteral("yes")).role, QMessageBox::YesRole);
        QCOMPARE(seen.buttons.value(QStringLiteral("reject")).role, QMessageBox::RejectRole);
        QCOMPARE(seen.buttons.value(QStringLiteral("yes")).focus, Qt::NoFocus);
        QCOMPARE(seen.buttons.value(QStringLiteral("reject")).focus, Qt::NoFocus);
    }

    void twoButtonBoxAnswersZeroForTheFirst()
    {
        SeenBox seen;
        AutoAnswer answer(clickNamed(seen, QStringLiteral("accept")));
        const int result = showMessage(messageBoxStyle, QStringLiteral("Quit?"), QString(),
                                       {{MessageButtonRole::Acknowledge, text(83)},
                                        {MessageButtonRole::Cancel, text(5)}});
        QVERIFY(answer.answered());
        QCOMPARE(result, 0);
        QCOMPARE(seen.buttons.keys(), (QStringList{QStringLiteral("accept"), QStringLiteral("reject")}));
        QCOMPARE(seen.label(QStringLiteral("accept")), QStringLiteral("en 83"));
        QCOMPARE(seen.label(QStringLiteral("reject")), QStringLiteral("en 5"));
        QCOMPARE(seen.buttons.value(QStringLiteral("accept")).role, QMessageBox::AcceptRole);
        QCOMPARE(seen.informative, QString());
    }

    // The answer is the position in the order given, not where the toolkit
    // lays the button out for its role.
    void answerFollowsTheGivenOrderNotTheRole()
    {
        SeenBox seen;
        AutoAnswer answer(clickNamed(seen, QStringLiteral("yes")));
        const int result = showMessage(messageBoxStyle, QStringLiteral("?"), QString(),
                                       {{MessageButtonRole::Cancel, QStringLiteral("No")},
                                        {MessageButtonRole::Confirm, QStringLiteral("Yes")}});
        QVERIFY(answer.answered());
        QCOMPARE(result, 1);
    }

    void boxIsFramelessWithoutTitleBar()
    {
        SeenBox seen;
        AutoAnswer answer(clickNamed(seen, QStringLiteral("accept")));
        showMessage(messageBoxStyle, QStringLiteral("x"), QString(),
                    {{MessageButtonRole::Acknowledge, QStringLiteral("OK")}});
        QVERIFY(answer.answered());
        QVERIFY(seen.flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(!seen.flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!seen.flags.testFlag(Qt::WindowSystemMenuHint));
    }

    void escapeAnswersTheCancelButton()
    {
        AutoAnswer answer([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        const int result = showMessage(messageBoxStyle, QStringLiteral("?"), QString(),
                                       {{MessageButtonRole::Confirm, QStringLiteral("Go")},
                                        {MessageButtonRole::Cancel, QStringLiteral("Stop")}});
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QCOMPARE(result, 1);
    }

    void noticeHasOneConfirmButtonLabelledOk()
    {
        SeenBox seen;
        AutoAnswer answer(clickNamed(seen, QStringLiteral("yes")));
        showNotice(QStringLiteral("main"), QStringLiteral("more"));
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QCOMPARE(seen.buttons.keys(), QStringList{QStringLiteral("yes")});
        QCOMPARE(seen.label(QStringLiteral("yes")), QStringLiteral("en 83"));
        QCOMPARE(seen.text, QStringLiteral("main"));
        QCOMPARE(seen.informative, QStringLiteral("more"));
    }

    void labelsFollowTheCurrentLanguage()
    {
        setCurrentLanguage(1);
        SeenBox seen;
        AutoAnswer answer(clickNamed(seen, QStringLiteral("yes")));
        showNotice(QStringLiteral("main"), QString());
        setCurrentLanguage(0);
        QCOMPARE(seen.label(QStringLiteral("yes")), QStringLiteral("de 83"));
    }

    void recordCountDialogOpensAt200WithItsLabels()
    {
        struct {
            bool isInputDialog = false;
            int value = -1, minimum = -1, maximum = -1;
            QString label, ok, cancel, style, title;
            Qt::WindowFlags flags;
            QInputDialog::InputMode mode = QInputDialog::TextInput;
        } seen;
        AutoAnswer answer([&seen](QWidget* modal) {
            auto* dialog = qobject_cast<QInputDialog*>(modal);
            if (!dialog)
                return;
            seen.isInputDialog = true;
            seen.value = dialog->intValue();
            seen.minimum = dialog->intMinimum();
            seen.maximum = dialog->intMaximum();
            seen.label = dialog->labelText();
            seen.ok = dialog->okButtonText();
            seen.cancel = dialog->cancelButtonText();
            seen.style = dialog->styleSheet();
            seen.title = dialog->windowTitle();
            seen.flags = dialog->windowFlags();
            seen.mode = dialog->inputMode();
            if (QAbstractButton* ok = findButtonLabelled(dialog, text(83)))
                ok->click();
        });
        const std::optional<int> count = askRecordCount();
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QVERIFY(seen.isInputDialog);
        QCOMPARE(count, std::optional<int>(200));
        QCOMPARE(seen.value, 200);
        QCOMPARE(seen.minimum, 1);
        QCOMPARE(seen.maximum, 5000);
        QCOMPARE(seen.mode, QInputDialog::IntInput);
        QCOMPARE(seen.label, QStringLiteral("en 82"));
        QCOMPARE(seen.ok, QStringLiteral("en 83"));
        QCOMPARE(seen.cancel, QStringLiteral("en 5"));
        QCOMPARE(seen.style, dialogStyle);
        QCOMPARE(seen.title, QString());
        QCOMPARE(seen.flags & Qt::WindowType_Mask, Qt::SplashScreen);
        QVERIFY(seen.flags.testFlag(Qt::FramelessWindowHint));
    }

    // What the user types reaches the result; values outside 1..5000 do not.
    void recordCountRefusesOutOfRangeInput_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected");
        QTest::newRow("in range") << "4321" << 4321;
        QTest::newRow("maximum") << "5000" << 5000;
        QTest::newRow("5001 stops at 500") << "5001" << 500;
        QTest::newRow("minimum") << "1" << 1;
    }

    void recordCountRefusesOutOfRangeInput()
    {
        QFETCH(QString, typed);
        QFETCH(int, expected);
        AutoAnswer answer([typed](QWidget* modal) {
            auto* spin = modal->findChild<QSpinBox*>();
            auto* edit = spin ? spin->findChild<QLineEdit*>() : nullptr;
            if (!edit)
                return;
            edit->selectAll();
            QTest::keyClicks(edit, typed);
            if (QAbstractButton* ok = findButtonLabelled(modal, text(83)))
                ok->click();
        });
        const std::optional<int> count = askRecordCount();
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QCOMPARE(count, std::optional<int>(expected));
    }

    // With 0 in the field the OK button is disabled; Return does not accept
    // the 0 but corrects the field to a value in range, which OK then takes.
    void recordCountRefusesZero()
    {
        bool okEnabledAtZero = true, stillOpenAfterReturn = false;
        int valueAfterReturn = -1;
        AutoAnswer answer([&](QWidget* modal) {
            auto* spin = modal->findChild<QSpinBox*>();
            auto* edit = spin ? spin->findChild<QLineEdit*>() : nullptr;
            QAbstractButton* ok = findButtonLabelled(modal, text(83));
            if (!edit || !ok)
                return;
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("0"));
            okEnabledAtZero = ok->isEnabled();
            QTest::keyClick(edit, Qt::Key_Return);
            stillOpenAfterReturn = modal->isVisible();
            valueAfterReturn = spin->value();
            ok->click();
        });
        const std::optional<int> count = askRecordCount();
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QVERIFY(!okEnabledAtZero);
        QVERIFY(stillOpenAfterReturn);
        QVERIFY(valueAfterReturn >= 1 && valueAfterReturn <= 5000);
        QCOMPARE(count, std::optional<int>(valueAfterReturn));
    }

    void recordCountSpinBoxClampsOutOfRangeValues()
    {
        int afterZero = -1, afterTooMany = -1;
        AutoAnswer answer([&](QWidget* modal) {
            auto* spin = modal->findChild<QSpinBox*>();
            if (!spin)
                return;
            spin->setValue(0);
            afterZero = spin->value();
            spin->setValue(5001);
            afterTooMany = spin->value();
            if (QAbstractButton* ok = findButtonLabelled(modal, text(83)))
                ok->click();
        });
        const std::optional<int> count = askRecordCount();
        QVERIFY(answer.answered());
        QCOMPARE(afterZero, 1);
        QCOMPARE(afterTooMany, 5000);
        QCOMPARE(count, std::optional<int>(5000));
    }

    void recordCountCancelGivesNothing()
    {
        AutoAnswer answer([](QWidget* modal) {
            if (QAbstractButton* cancel = findButtonLabelled(modal, text(5)))
                cancel->click();
        });
        const std::optional<int> count = askRecordCount();
        QVERIFY(answer.answered());
        QVERIFY(!answer.forced());
        QVERIFY(!count.has_value());
    }

    // The helper itself: a box that nobody can answer is closed by force
    // instead of blocking the test run.
    void unansweredBoxIsClosedByForce()
    {
        AutoAnswer answer([](QWidget*) {}, 10000, 200);
        const int result = showMessage(messageBoxStyle, QStringLiteral("stuck"), QString(),
                                       {{MessageButtonRole::Confirm, QStringLiteral("A")},
                                        {MessageButtonRole::Confirm, QStringLiteral("B")}});
        QVERIFY(answer.forced());
        QCOMPARE(result, -1); // closed without a button
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
