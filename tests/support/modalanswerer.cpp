#include "support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer(QObject* parent)
    : QObject(parent)
{
    timer.setInterval(2);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::expect(Answer answer, Readiness ready)
{
    answers.push(Expected { std::move(answer), std::move(ready) });
    timer.start();
}

void ModalAnswerer::expectMessageBox(int button)
{
    expect([button](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (!box) {
            dialog->close();
            return;
        }
        if (QAbstractButton* b = box->button(QMessageBox::StandardButton(button)))
            b->click();
        else
            box->done(button);
    });
}

ModalAnswerer::Readiness ModalAnswerer::activeWithFocus()
{
    return { QStringLiteral("the active window, with a focus widget"), [](QWidget* dialog) {
                return QApplication::activeWindow() == dialog && dialog->focusWidget() != nullptr;
            } };
}

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (answered && !answered->isVisible())
        answered = nullptr;
    if (answered && modal == answered) {
        if (answeredSince.hasExpired(patience))
            giveUp(answered, QStringLiteral("was still open %1 ms after its answer").arg(patience));
        return;
    }
    if (!modal || answers.empty()) {
        if (answers.empty() && !answered)
            timer.stop();
        return;
    }

    if (modal != waiting) {
        waiting = modal;
        waitingSince.start();
    }
    const Readiness& ready = answers.front().ready;
    if (ready.holds && !ready.holds(modal)) {
        if (waitingSince.hasExpired(patience)) {
            answers.pop();
            waiting = nullptr;
            giveUp(
                modal,
                QStringLiteral("was not ready within %1 ms: wanted %2").arg(patience).arg(ready.description));
        }
        return;
    }
    waiting = nullptr;
    give(modal);
}

void ModalAnswerer::note(QWidget* dialog)
{
    titles << dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        texts << messageBoxText(box);
    else
        texts << QString();
}

void ModalAnswerer::give(QWidget* dialog)
{
    note(dialog);
    Answer answer = std::move(answers.front().answer);
    answers.pop();
    answered = dialog;
    answeredSince.start();
    answer(dialog);
}

void ModalAnswerer::giveUp(QWidget* dialog, const QString& why)
{
    faults << QStringLiteral("dialog \"%1\" (%2) %3")
                  .arg(dialog->windowTitle(), QString::fromLatin1(dialog->metaObject()->className()), why);
    if (dialog != answered)
        note(dialog);
    answered = nullptr;
    // Closed all the same, so that the call that opened it returns and the
    // test can report the problem.
    if (auto* box = qobject_cast<QDialog*>(dialog))
        box->reject();
    else
        dialog->close();
}

QString messageBoxText(const QMessageBox* box)
{
    if (box->informativeText().isEmpty())
        return box->text();
    return box->text() + QLatin1Char('\n') + box->informativeText();
}

ModalAnswerer::Answer answerFileDialog(const QString& file, FileDialogSeen* seen)
{
    return [file, seen](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        if (seen) {
            seen->title = dialog->windowTitle();
            seen->filters = dialog->nameFilters();
            seen->directory = dialog->directory().absolutePath();
            seen->acceptMode = dialog->acceptMode();
        }
        if (file.isNull()) {
            dialog->reject();
            return;
        }
        // selectFile() leaves the name field alone while it has the focus, so
        // the name is typed into the field itself.
        if (auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            nameField->setText(file);
        else
            dialog->selectFile(file);
        // QDialog's accept() is public and reaches QFileDialog's checks.
        static_cast<QDialog*>(dialog)->accept();
        if (dialog->isVisible()) {
            if (seen)
                seen->refused = true;
            dialog->reject();
        }
    };
}

ModalAnswerer::Answer pressButton(int button)
{
    return [button](QWidget* widget) {
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            if (QAbstractButton* pressed = box->button(QMessageBox::StandardButton(button))) {
                pressed->click();
                return;
            }
        }
        widget->close();
    };
}

ModalAnswerer::Answer closeAnything()
{
    return [](QWidget* widget) { widget->close(); };
}
