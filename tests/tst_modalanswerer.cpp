#include "support/modalanswerer.h"

#include <QDialog>
#include <QTest>

// The helper that answers the other tests' dialogs: a dialog that is not as
// expected must fail the test with a message, never leave it hanging.
class TestModalAnswerer : public QObject
{
    Q_OBJECT

private slots:
    void answerWaitsForReadiness_data();
    void answerWaitsForReadiness();
};

void TestModalAnswerer::answerWaitsForReadiness_data()
{
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("answerCloses");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("problem");

    QTest::newRow("ready, answered") << true << true << int(QDialog::Accepted) << QString();
    QTest::newRow("never ready: closed, reported")
        << false << true << int(QDialog::Rejected)
        << "dialog \"Asked\" (QDialog) was not ready within 50 ms: "
           "wanted a state that never comes";
    QTest::newRow("left open by its answer: closed, reported")
        << true << false << int(QDialog::Rejected)
        << "dialog \"Asked\" (QDialog) was still open 50 ms after its answer";
}

void TestModalAnswerer::answerWaitsForReadiness()
{
    QFETCH(bool, ready);
    QFETCH(bool, answerCloses);
    QFETCH(QString, problem);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Asked"));
    ModalAnswerer answerer;
    answerer.setPatience(50);
    bool answered = false;
    answerer.expect(
        [&](QWidget* shown) {
            answered = true;
            QCOMPARE(shown, &dialog);
            if (answerCloses)
                dialog.accept();
        },
        { QStringLiteral("a state that never comes"), [ready](QWidget*) { return ready; } });

    QTEST(dialog.exec(), "result");
    QCOMPARE(answered, ready);
    QCOMPARE(answerer.seenTitles(), QStringList { QStringLiteral("Asked") });
    QCOMPARE(answerer.problems(), problem.isEmpty() ? QStringList() : QStringList { problem });
    QVERIFY(answerer.allAnswered());
}

QTEST_MAIN(TestModalAnswerer)
#include "tst_modalanswerer.moc"
