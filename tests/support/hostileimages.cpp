#include "hostileimages.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

QByteArray gifWithScreen(const QSize& screen, const QSize& frame)
{
    QByteArray bytes("GIF89a");
    const auto word = [&bytes](int value) { bytes.append(char(value & 0xff)).append(char(value >> 8)); };
    word(screen.width());
    word(screen.height());
    bytes.append("\x80\0\0"
                 "\0\0\0\xff\xff\xff\x2c",
                 10);
    word(0);
    word(0);
    word(frame.width());
    word(frame.height());
    return bytes.append("\0\x02\x01\x2c\0\x3b", 6);
}

QByteArray jpegRepeatingAScan(int side, int repeats)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    const qsizetype lastScan = bytes.lastIndexOf("\xff\xda");
    const QByteArray scan = bytes.mid(lastScan, bytes.size() - 2 - lastScan);
    return bytes.insert(bytes.size() - 2, scan.repeated(repeats));
}
