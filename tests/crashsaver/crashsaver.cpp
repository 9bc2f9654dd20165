// Saves the crash test's two maps over one file in turn until it is killed.
//
// Usage: varnhold_crashsaver FILE FIRST
// FIRST (0 or 1) is the map saved first. The program prints "ready" once
// both maps are formatted, then "saving N" before and "saved N MS" after
// each save of map N, so that the test knows what the file must hold when it
// kills the program.

#include "crashsaver/crashmaps.h"

#include "mapfile/fileio.h"
#include "mapfile/mapwriter.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace {

// Unbuffered, so that a kill loses no line that was already printed.
void say(const QByteArray& line)
{
    const QByteArray text = line + '\n';
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(STDOUT_FILENO, text.constData() + done, text.size() - done);
        if (written <= 0)
            return;
        done += written;
    }
}

// Ends the program on its own should the test that started it be gone.
constexpr int MaxSaves = 2000;

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (qstrcmp(argv[2], "0") != 0 && qstrcmp(argv[2], "1") != 0)) {
        std::fprintf(stderr, "usage: %s FILE 0|1\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QByteArray maps[2] = { formatMapFile(crashTestMap(0)), formatMapFile(crashTestMap(1)) };
    say("ready");

    int variant = argv[2][0] - '0';
    for (int save = 0; save < MaxSaves; ++save, variant = 1 - variant) {
        say("saving " + QByteArray::number(variant));
        QElapsedTimer clock;
        clock.start();
        QString reason;
        if (!saveFileAtomically(path, maps[variant], &reason)) {
            std::fprintf(stderr, "cannot save %s: %s\n", argv[1], qPrintable(reason));
            return 1;
        }
        say("saved " + QByteArray::number(variant) + ' ' + QByteArray::number(clock.elapsed()));
    }
    return 0;
}
