#include "support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer(QObject* parent)
    : QObject(parent)
{
    timer.setInterval(2);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::expect(Answer answer)
{
    answers.push(std::move(answer));
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

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == lastAnswered || answers.empty())
        return;
    lastAnswered = modal;
    titles << modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        texts << messageBoxText(box);
    else
        texts << QString();
    Answer answer = std::move(answers.front());
    answers.pop();
    if (answers.empty())
        timer.stop();
    answer(modal);
}

QString messageBoxText(const QMessageBox* box)
{
    if (box->informativeText().isEmpty())
        return box->text();
    return box->text() + QLatin1Char('\n') + box->informativeText();
}
