#include "app/resizedialog.h"
#include "support/modalanswerer.h"
#include "support/windowstate.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

// Replaces the whole text of a spin box as a user would by typing. The keys
// go to the spin box itself, wherever the focus is.
void typeInto(QSpinBox* spinBox, const QString& text)
{
    spinBox->setFocus();
    spinBox->selectAll();
    QTest::keyClicks(spinBox, text);
}

// How a test ends the running dialog.
enum Ending { PressEnter, PressReturn, PressEscape, ClickCancel, ClickOk, CloseWindow };

} // namespace

class TestResizeDialog : public QObject
{
    Q_OBJECT

private slots:
    void startsAtOneByOne();
    void labelsAndButtons();
    void presetIsClamped_data();
    void presetIsClamped();
    void typedValueStaysInRange_data();
    void typedValueStaysInRange();
    void keysAndButtonsEndTheDialog_data();
    void keysAndButtonsEndTheDialog();
    void enterAcceptsWhatWasTyped();
    void mnemonicsFocusTheSpinBoxes_data();
    void mnemonicsFocusTheSpinBoxes();
    void tabOrder();
};

void TestResizeDialog::startsAtOneByOne()
{
    ResizeDialog dialog;
    QCOMPARE(dialog.xSpinBox->value(), 1);
    QCOMPARE(dialog.ySpinBox->value(), 1);
    QCOMPARE(dialog.xSpinBox->minimum(), 1);
    QCOMPARE(dialog.xSpinBox->maximum(), 255);
    QCOMPARE(dialog.ySpinBox->minimum(), 1);
    QCOMPARE(dialog.ySpinBox->maximum(), 255);
}

void TestResizeDialog::labelsAndButtons()
{
    QWidget parent;
    ResizeDialog dialog(&parent);
    QCOMPARE(dialog.parentWidget(), &parent);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Resize current set"));
    QCOMPARE(dialog.xLabel->text(), QStringLiteral("&X:"));
    QCOMPARE(dialog.yLabel->text(), QStringLiteral("&Y:"));
    QCOMPARE(dialog.xLabel->buddy(), dialog.xSpinBox);
    QCOMPARE(dialog.yLabel->buddy(), dialog.ySpinBox);
    QCOMPARE(dialog.okButton->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cancelButton->text(), QStringLiteral("Cancel"));
    for (QWidget* widget :
         { static_cast<QWidget*>(dialog.xSpinBox), static_cast<QWidget*>(dialog.ySpinBox),
           static_cast<QWidget*>(dialog.xLabel), static_cast<QWidget*>(dialog.yLabel),
           static_cast<QWidget*>(dialog.okButton), static_cast<QWidget*>(dialog.cancelButton) })
        QCOMPARE(widget->parentWidget(), &dialog);
}

void TestResizeDialog::presetIsClamped_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("shownX");
    QTest::addColumn<int>("shownY");

    QTest::newRow("start size 30 x 30") << 30 << 30 << 30 << 30;
    QTest::newRow("width and height differ") << 40 << 20 << 40 << 20;
    QTest::newRow("300 and 0 clamp to 255 and 1") << 300 << 0 << 255 << 1;
    QTest::newRow("negative and 256 clamp to 1 and 255") << -5 << 256 << 1 << 255;
    QTest::newRow("limits kept") << 1 << 255 << 1 << 255;
}

void TestResizeDialog::presetIsClamped()
{
    QFETCH(int, x);
    QFETCH(int, y);
    ResizeDialog dialog;
    dialog.setValues(x, y);
    QTEST(dialog.xSpinBox->value(), "shownX");
    QTEST(dialog.ySpinBox->value(), "shownY");
}

void TestResizeDialog::typedValueStaysInRange_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<bool>("intoX");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");

    QTest::newRow("0 in X leaves 1") << 1 << true << QStringLiteral("0") << 1;
    QTest::newRow("0 in Y leaves 1") << 1 << false << QStringLiteral("0") << 1;
    QTest::newRow("0 over 30 gives 1") << 30 << true << QStringLiteral("0") << 1;
    QTest::newRow("999 in X leaves 255") << 1 << true << QStringLiteral("999") << 255;
    QTest::newRow("999 in Y leaves 255") << 1 << false << QStringLiteral("999") << 255;
    QTest::newRow("a huge number gives 255") << 30 << true << QStringLiteral("123456789012") << 255;
    QTest::newRow("a minus sign is refused") << 30 << true << QStringLiteral("-5") << 5;
    QTest::newRow("letters are refused") << 30 << false << QStringLiteral("a7b") << 7;
    QTest::newRow("120 in X is taken") << 30 << true << QStringLiteral("120") << 120;
}

void TestResizeDialog::typedValueStaysInRange()
{
    QFETCH(int, preset);
    QFETCH(bool, intoX);
    QFETCH(QString, typed);
    ResizeDialog dialog;
    dialog.setValues(preset, preset);
    QSpinBox* spinBox = intoX ? dialog.xSpinBox : dialog.ySpinBox;
    QSpinBox* other = intoX ? dialog.ySpinBox : dialog.xSpinBox;
    // Leaving the field is what makes the spin box settle on what was typed,
    // and the focus leaves it only in the active window.
    QVERIFY2(activateWindow(&dialog), "the dialog did not become the active window");
    QVERIFY2(focusOn(spinBox), "the spin box typed into did not get the focus");
    typeInto(spinBox, typed);
    QVERIFY2(focusOn(other), "the other spin box did not get the focus");
    QTEST(spinBox->value(), "expected");
    QCOMPARE(other->value(), preset);
}

void TestResizeDialog::keysAndButtonsEndTheDialog_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("result");

    QTest::newRow("Enter accepts") << int(PressEnter) << int(QDialog::Accepted);
    QTest::newRow("Return accepts") << int(PressReturn) << int(QDialog::Accepted);
    QTest::newRow("OK accepts") << int(ClickOk) << int(QDialog::Accepted);
    QTest::newRow("Escape rejects") << int(PressEscape) << int(QDialog::Rejected);
    QTest::newRow("Cancel rejects") << int(ClickCancel) << int(QDialog::Rejected);
    QTest::newRow("closing the window rejects") << int(CloseWindow) << int(QDialog::Rejected);
}

void TestResizeDialog::keysAndButtonsEndTheDialog()
{
    QFETCH(int, how);
    ResizeDialog dialog;
    dialog.setValues(42, 17);

    ModalAnswerer answerer;
    // Keys go where the focus starts, which is set once the dialog is active.
    answerer.expect(
        [&dialog, how](QWidget*) {
            QWidget* focus = dialog.focusWidget();
            switch (how) {
            case PressEnter:
                QTest::keyClick(focus, Qt::Key_Enter);
                break;
            case PressReturn:
                QTest::keyClick(focus, Qt::Key_Return);
                break;
            case PressEscape:
                QTest::keyClick(focus, Qt::Key_Escape);
                break;
            case ClickCancel:
                dialog.cancelButton->click();
                break;
            case ClickOk:
                dialog.okButton->click();
                break;
            case CloseWindow:
                dialog.close();
                break;
            }
        },
        ModalAnswerer::activeWithFocus());
    const int result = dialog.exec();
    VERIFY_ANSWERED(answerer);
    QVERIFY(answerer.allAnswered());
    QCOMPARE(answerer.seenTitles(), QStringList { QStringLiteral("Resize current set") });
    QTEST(result, "result");
    QCOMPARE(dialog.xSpinBox->value(), 42);
    QCOMPARE(dialog.ySpinBox->value(), 17);
}

void TestResizeDialog::enterAcceptsWhatWasTyped()
{
    ResizeDialog dialog;
    dialog.setValues(30, 30);
    ModalAnswerer answerer;
    QWidget* startFocus = nullptr;
    answerer.expect(
        [&dialog, &startFocus](QWidget*) {
            startFocus = dialog.focusWidget();
            typeInto(dialog.xSpinBox, QStringLiteral("64"));
            typeInto(dialog.ySpinBox, QStringLiteral("999"));
            QTest::keyClick(dialog.ySpinBox, Qt::Key_Return);
        },
        ModalAnswerer::activeWithFocus());
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    VERIFY_ANSWERED(answerer);
    QVERIFY(answerer.allAnswered());
    QVERIFY2(startFocus && dialog.xSpinBox->isAncestorOf(startFocus),
             startFocus ? startFocus->metaObject()->className() : "no focus widget");
    QCOMPARE(dialog.xSpinBox->value(), 64);
    QCOMPARE(dialog.ySpinBox->value(), 255);
}

void TestResizeDialog::mnemonicsFocusTheSpinBoxes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("expectX");

    QTest::newRow("Alt+Y from X") << int(Qt::Key_Y) << false;
    QTest::newRow("Alt+X from Y") << int(Qt::Key_X) << true;
}

void TestResizeDialog::mnemonicsFocusTheSpinBoxes()
{
    QFETCH(int, key);
    QFETCH(bool, expectX);
    ResizeDialog dialog;
    // A mnemonic is a shortcut of the window, so it acts only in the active one.
    QVERIFY2(activateWindow(&dialog), "the dialog did not become the active window");
    QSpinBox* target = expectX ? dialog.xSpinBox : dialog.ySpinBox;
    QSpinBox* other = expectX ? dialog.ySpinBox : dialog.xSpinBox;
    QVERIFY2(focusOn(other), "the spin box to start from did not get the focus");
    QTest::keyClick(other, Qt::Key(key), Qt::AltModifier);
    QVERIFY(target->hasFocus());
}

void TestResizeDialog::tabOrder()
{
    ResizeDialog dialog;
    // The focus starts, and moves, only in the active window.
    QVERIFY2(activateWindow(&dialog), "the dialog did not become the active window");
    QVERIFY(dialog.xSpinBox->hasFocus());
    const QList<QWidget*> order { dialog.ySpinBox, dialog.okButton, dialog.cancelButton, dialog.xSpinBox };
    for (QWidget* next : order) {
        QWidget* from = QApplication::focusWidget();
        QVERIFY2(from, "no widget has the focus");
        QTest::keyClick(from, Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(focus && (focus == next || next->isAncestorOf(focus)),
                 focus ? focus->metaObject()->className() : "no widget has the focus");
    }
    QVERIFY(dialog.okButton->isDefault());
}

QTEST_MAIN(TestResizeDialog)
#include "tst_resizedialog.moc"
