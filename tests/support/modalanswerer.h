#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <queue>

class QMessageBox;

// Answers modal dialogs from a polling timer, so that a test never waits for a
// person. Arm it before the call that opens the dialogs; each expected answer
// handles the next modal widget that appears, in order.
//
// Nothing depends on how soon the timer fires or when the window system
// activates a dialog. An answer that needs some state of the dialog (the
// keyboard focus in place, say) declares it as a readiness condition, which is
// waited for, up to a bound. A dialog that never gets ready, or that is still
// open that long after its answer, is recorded as a problem and closed, so that
// the test fails with a message instead of hanging: check with VERIFY_ANSWERED.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(QWidget* dialog)>;

    // A state of the dialog that an answer needs before it can act.
    struct Readiness
    {
        QString description; // for the failure message: "keyboard focus inside the dialog"
        std::function<bool(QWidget* dialog)> holds;
    };

    explicit ModalAnswerer(QObject* parent = nullptr);
    ~ModalAnswerer() override;

    // How long a dialog may take to get ready, and to close after its answer:
    // 10 s unless set, far more than a slow, busy machine needs.
    void setPatience(int milliseconds) { patience = milliseconds; }

    // Queues an answer for the next dialog, given once `ready` holds for it.
    void expect(Answer answer, Readiness ready = {});
    // Queues pressing `button` on the next QMessageBox.
    void expectMessageBox(int button);

    // The dialog is the active window and has a focus widget: what keys typed
    // into it, and the place where its focus starts, depend on.
    static Readiness activeWithFocus();

    // Dialogs seen so far: their window titles and, for message boxes, texts.
    int seenCount() const { return titles.size(); }
    QStringList seenTitles() const { return titles; }
    QStringList seenTexts() const { return texts; }
    bool allAnswered() const { return answers.empty(); }
    // What went wrong, one line each; empty when every dialog was answered in time.
    QStringList problems() const { return faults; }

private:
    struct Expected
    {
        Answer answer;
        Readiness ready;
    };

    void poll();
    void note(QWidget* dialog);
    void give(QWidget* dialog);
    void giveUp(QWidget* dialog, const QString& why);

    QTimer timer;
    int patience = 10000; // ms
    std::queue<Expected> answers;
    QPointer<QWidget> waiting; // seen, not yet ready for its answer
    QElapsedTimer waitingSince;
    QPointer<QWidget> answered; // answered, and maybe not closed yet
    QElapsedTimer answeredSince;
    QStringList titles;
    QStringList texts;
    QStringList faults;
};

// What a file dialog was opened with.
struct FileDialogSeen
{
    QString title;
    QStringList filters;
    QString directory;
    int acceptMode = 0; // QFileDialog::AcceptMode
    bool refused = false; // the dialog did not take the name
};

// Answers the next QFileDialog with `file`, or cancels it when `file` is
// null; what the dialog showed goes to *seen when given.
ModalAnswerer::Answer answerFileDialog(const QString& file, FileDialogSeen* seen = nullptr);
// Presses `button` of a QMessageBox; closes any other dialog.
ModalAnswerer::Answer pressButton(int button);
// Closes whatever appears; armed where no dialog is expected, so that one
// that does appear fails the test instead of blocking it.
ModalAnswerer::Answer closeAnything();

// The full text of a message box: its text and informative text, one per line.
QString messageBoxText(const QMessageBox* box);

// Fails the running test with every problem that `answerer` recorded.
#define VERIFY_ANSWERED(answerer)                                                                            \
    QVERIFY2((answerer).problems().isEmpty(), qPrintable((answerer).problems().join(QLatin1Char('\n'))))
