#include "app/decodingprogress.h"

#include "app/messagetext.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QMutex>
#include <QProgressDialog>
#include <QThreadPool>

namespace {

// What the reading thread and the waiting window share: whether the work is
// done, and the event loop to wake while one waits for it.
struct Handover
{
    QMutex mutex;
    bool done = false;
    QEventLoop* waiting = nullptr;
};

} // namespace

DecodingProgress::DecodingProgress(QWidget* window)
    : QObject(window)
    , window(window)
{
    showTimer.setSingleShot(true);
    showTimer.setInterval(ShowAfter);
    connect(&showTimer, &QTimer::timeout, this, &DecodingProgress::showDialog);
}

DecodingProgress::~DecodingProgress() = default;

bool DecodingProgress::run(const QString& path, const std::function<void()>& work)
{
    if (!dialog) {
        dialog = std::make_unique<QProgressDialog>(window);
        dialog->setWindowTitle(tr("TileSet Load"));
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setRange(0, 0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        connect(dialog.get(), &QProgressDialog::canceled, this, &DecodingProgress::cancel);
        connect(dialog.get(), &QDialog::rejected, this, &DecodingProgress::cancel);
        showTimer.start();
    }
    // Named as maps name their sets: relative to the current folder.
    dialog->setLabelText(tr("Reading %1...").arg(shortenedForMessage(QDir().relativeFilePath(path), window)));

    QEventLoop loop;
    const auto handover = std::make_shared<Handover>();
    handover->waiting = &loop;
    // Qt's pool rather than a thread of our own: the application waits for
    // its pool when it ends, so a decode left behind never runs into Qt's
    // teardown, and such a decode ends soon, since it gets no more bytes.
    QThreadPool::globalInstance()->start([handover, work] {
        work();
        const QMutexLocker locked(&handover->mutex);
        handover->done = true;
        if (QEventLoop* loop = handover->waiting)
            QMetaObject::invokeMethod(
                loop, [loop] { loop->exit(Done); }, Qt::QueuedConnection);
    });
    waiting = &loop;
    bool cancelled = false;
    for (;;) {
        // Until the dialog shows, the user's input waits as it would for
        // work done at once: no other command starts meanwhile.
        const int wake
            = loop.exec(dialog->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        // Anything else ending the loop is the application ending.
        cancelled = wake != Shown && wake != Done;
        const QMutexLocker locked(&handover->mutex);
        if (cancelled || handover->done) {
            handover->waiting = nullptr;
            break;
        }
    }
    waiting = nullptr;
    if (cancelled) {
        endReading();
        return false;
    }
    // The next read of the same import, if one follows before the event
    // loop is back, keeps the dialog.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!waiting)
                endReading();
        },
        Qt::QueuedConnection);
    return true;
}

void DecodingProgress::showDialog()
{
    if (!waiting)
        return;
    dialog->show();
    waiting->exit(Shown);
}

void DecodingProgress::cancel()
{
    if (waiting)
        waiting->exit(Cancelled);
}

void DecodingProgress::endReading()
{
    showTimer.stop();
    dialog.reset();
}
