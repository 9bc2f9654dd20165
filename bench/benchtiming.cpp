#include "benchtiming.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

double medianMilliseconds(int runs, const std::function<void()>& work)
{
    work();
    std::vector<double> times;
    times.reserve(size_t(runs));
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    const size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

double copyPixelsMilliseconds(const QSize& pixels, int runs)
{
    QImage source(pixels, QImage::Format_ARGB32_Premultiplied);
    source.fill(QColor(90, 140, 60));
    QImage target(pixels, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::black);
    return medianMilliseconds(runs, [&] {
        QPainter painter(&target);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, source);
    });
}

namespace {

// A window that only copies a picture of its own size onto the screen.
class CopyWindow : public QWidget
{
public:
    explicit CopyWindow(const QSize& size)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(size);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qreal ratio = devicePixelRatioF();
        if (picture.size() != size() * ratio) {
            picture = QImage(size() * ratio, QImage::Format_RGB32);
            picture.fill(QColor(90, 140, 60));
            picture.setDevicePixelRatio(ratio);
        }
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, picture);
    }

private:
    QImage picture;
};

} // namespace

double repaintFloorMilliseconds(const QWidget& widget, const QRect& painted, int runs)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return copyPixelsMilliseconds(painted.size() * widget.devicePixelRatioF(), runs);
    if (painted.isEmpty())
        return 0;
    CopyWindow window(widget.window()->size());
    showAndWait(window);
    return medianMilliseconds(runs, [&] { window.repaint(painted); });
}

void showAndWait(QWidget& window)
{
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
}

double startProcessMilliseconds(int runs)
{
    return medianMilliseconds(runs, [] {
        QProcess process;
        process.start(QStringLiteral("/bin/true"), QStringList());
        process.waitForFinished(-1);
    });
}

double copyBytesMilliseconds(qint64 bytes, int runs)
{
    std::vector<char> source(static_cast<size_t>(bytes), 'x');
    std::vector<char> target(static_cast<size_t>(bytes));
    return medianMilliseconds(runs, [&] {
        std::memcpy(target.data(), source.data(), source.size());
        // Keeps the copy from being optimised away.
        source[size_t(target[0]) % source.size()] ^= 1;
    });
}

double writeFileMilliseconds(const QString& folder, qint64 bytes, int runs)
{
    const QByteArray content(bytes, 'x');
    const QString path = folder + QStringLiteral("/floor.bytes");
    const double time = medianMilliseconds(runs, [&] {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(content);
            file.flush();
            ::fsync(file.handle());
        }
    });
    QFile::remove(path);
    return time;
}

double readFilesMilliseconds(const QStringList& files, int runs)
{
    return medianMilliseconds(runs, [&] {
        for (const QString& path : files) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                file.readAll();
        }
    });
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

double residentPeakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

void resetResidentPeak()
{
    // Linux sets the peak back to the resident set for "5".
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double fillBytesMegabytes(qint64 bytes)
{
    // Fresh pages from the system: freed heap memory that is still resident
    // would make the fill look free.
    const size_t size = size_t(bytes);
    void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return 0;
    const double before = residentMegabytes();
    std::memset(block, 1, size);
    const double grown = residentMegabytes() - before;
    ::munmap(block, size);
    return grown;
}
