#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <queue>

class QMessageBox;

// Answers modal dialogs from a timer, so that a test never waits for a
// person. Arm it before the call that opens the dialogs; each expected answer
// handles the next modal widget that appears, in order.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(QWidget* dialog)>;

    explicit ModalAnswerer(QObject* parent = nullptr);
    ~ModalAnswerer() override;

    // Queues an answer for the next dialog.
    void expect(Answer answer);
    // Queues pressing `button` on the next QMessageBox.
    void expectMessageBox(int button);

    // Dialogs seen so far: their window titles and, for message boxes, texts.
    int seenCount() const { return titles.size(); }
    QStringList seenTitles() const { return titles; }
    QStringList seenTexts() const { return texts; }
    bool allAnswered() const { return answers.empty(); }

private:
    void poll();

    QTimer timer;
    std::queue<Answer> answers;
    QPointer<QWidget> lastAnswered;
    QStringList titles;
    QStringList texts;
};

// The full text of a message box: its text and informative text, one per line.
QString messageBoxText(const QMessageBox* box);
