#include "decodingbench.h"

#include "app/decodingprogress.h"
#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "mapfile/tilesetfile.h"
#include "tests/support/hostileimages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace {

// 99 scans over 5000 x 5000 pixels: seconds of decoding.
QByteArray slowJpeg()
{
    return jpegRepeatingAScan(5000, 89);
}

void decode(const QByteArray& bytes)
{
    TileSetFile file;
    file.bytes = bytes;
    bool tooLarge = false;
    QString reason;
    decodeTileSetFile(&file, TileSetImagesBudgetBytes, &tooLarge, &reason);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A map of one cell naming these tile sets.
QByteArray mapNaming(const QStringList& names)
{
    return QByteArray::number(names.size()) + '\n' + names.join('\n').toLocal8Bit() + "\n1 1\n0 0 1\n0 0 1\n";
}

} // namespace

QList<Figure> decodingFigures(const QString& folder)
{
    MainWindow window;
    window.show();
    QApplication::processEvents();
    auto* decoding = window.findChild<DecodingProgress*>();
    auto* canvas = window.findChild<WorldViewWidget*>();
    const QByteArray jpeg = slowJpeg();

    // A key waits until the dialog shows (the window's input waits before),
    // then at most one pass of the event loop; both are timed by a timer
    // that fires as often as the loop lets it.
    QElapsedTimer clock;
    qint64 lastBeat = 0, longestPass = 0, shown = -1;
    QTimer heartbeat;
    heartbeat.setInterval(2);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestPass = std::max(longestPass, now - lastBeat);
        lastBeat = now;
        if (shown < 0 && QApplication::activeModalWidget())
            shown = now;
    });
    clock.start();
    heartbeat.start();
    decoding->run(QStringLiteral("slow.jpg"), [jpeg] {
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 30000)
            decode(jpeg);
    });
    const double decoded = clock.elapsed() / 1000.0;
    heartbeat.stop();
    QApplication::processEvents();

    // An import of the slow image, cancelled as soon as its dialog shows.
    const QString image = folder + QStringLiteral("/slow.jpg");
    const QString map = folder + QStringLiteral("/slow.map");
    if (!writeFile(image, jpeg) || !writeFile(map, mapNaming({ image })))
        std::fprintf(stderr, "varnholdbench: cannot write %s\n", qPrintable(map));
    const int steps = canvas->history().stepCount();
    QElapsedTimer sinceCancel;
    QTimer answer;
    answer.setInterval(2);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (dialog && !sinceCancel.isValid()) {
            sinceCancel.start();
            dialog->findChild<QPushButton*>()->click();
        }
    });
    answer.start();
    const bool imported = canvas->readMapFile(map);
    const double returned = sinceCancel.nsecsElapsed() / 1e6;
    answer.stop();
    if (imported || !sinceCancel.isValid() || canvas->history().stepCount() != steps
        || canvas->worldSize() != QSize(30, 30))
        std::fprintf(stderr, "varnholdbench: the cancelled import changed the map\n");
    // The next decode waits for the one left behind, which gets no more
    // bytes: the time until it starts is what that one still took.
    QElapsedTimer next;
    next.start();
    decoding->run(QStringLiteral("next.jpg"), [] { decodingLimitMegabytes(); });
    const double abandonedEnd = returned + next.nsecsElapsed() / 1e6;
    QApplication::processEvents();
    QElapsedTimer whole;
    whole.start();
    decode(jpeg);
    const double wholeDecode = whole.nsecsElapsed() / 1e6;

    return { { QStringLiteral("decode_30s_key_wait"),
               QStringLiteral(
                   "longest a key waits during a %1 s decode (dialog after %2 ms, longest pass %3 ms)")
                   .arg(decoded, 0, 'f', 1)
                   .arg(shown)
                   .arg(longestPass),
               double(shown + longestPass), QStringLiteral("ms"), double(DecodingProgress::ShowAfter), 500 },
             { QStringLiteral("cancel_import"),
               QStringLiteral("Cancel to the import's end, map kept (floor: the whole decode)"), returned,
               QStringLiteral("ms"), wholeDecode, 1000 },
             { QStringLiteral("cancel_decode_end"),
               QStringLiteral("Cancel to the end of the decode left behind (floor: the whole decode)"),
               abandonedEnd, QStringLiteral("ms"), wholeDecode, 0 } };
}

int measureGifScreens(const QString& folder)
{
    QStringList names;
    for (int i = 0; i < 8; ++i) {
        names << folder + QStringLiteral("/screen%1.gif").arg(i);
        writeFile(names.last(), gifWithScreen(QSize(5700, 5700), QSize(500, 500)));
    }
    const QString map = folder + QStringLiteral("/gifs.map");
    writeFile(map, mapNaming(names));
    MainWindow window;
    window.show();
    QApplication::processEvents();
    auto* canvas = window.findChild<WorldViewWidget*>();
    QString error;
    QList<FileProblem> refused;
    canvas->readMapFile(map, &error, &refused);
    QApplication::processEvents();
    canvas->repaint();
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%f\t%d\n", usage.ru_maxrss / 1024.0, int(refused.size()));
    return 0;
}

Figure gifScreensFigure(const QString& folder)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--gif-screens"), folder });
    process.waitForFinished(-1);
    const QList<QByteArray> values = process.readAllStandardOutput().trimmed().split('\t');
    if (values.size() != 2)
        std::fprintf(stderr, "varnholdbench: the import of 8 GIFs failed\n");
    // The floor: the four screens that fit in the budget.
    const double fitting = 4 * 5700.0 * 5700 * 4 / (1024 * 1024);
    return { QStringLiteral("editor_gif_screens_8"),
             QStringLiteral(
                 "editor's peak resident memory importing 8 GIFs of a 5700 x 5700 screen (%1 refused)")
                 .arg(QString::fromLatin1(values.value(1))),
             values.value(0).toDouble(),
             QStringLiteral("MB"),
             fitting,
             800 };
}
