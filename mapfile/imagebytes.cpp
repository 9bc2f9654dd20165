#include "mapfile/imagebytes.h"

#include <cstring>

namespace {

quint32 bigEndian(const uchar* at, int length)
{
    quint32 value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | at[i];
    return value;
}

// Copies the kept parts of a file towards its start: [from, to) of the
// original bytes go to the write position.
class Compactor
{
public:
    explicit Compactor(QByteArray* bytes, qsizetype start)
        : bytes(bytes)
        , data(reinterpret_cast<uchar*>(bytes->data()))
        , written(start)
    {
    }
    void keep(qsizetype from, qsizetype to)
    {
        if (written != from)
            std::memmove(data + written, data + from, size_t(to - from));
        written += to - from;
    }
    // Keeps everything from `from` on, and cuts the bytes to what was kept.
    void finish(qsizetype from)
    {
        keep(from, bytes->size());
        bytes->truncate(written);
    }
    const uchar* at(qsizetype position) const { return data + position; }

private:
    QByteArray* bytes;
    uchar* data;
    qsizetype written;
};

bool isRestartMarker(uchar marker)
{
    return marker >= 0xd0 && marker <= 0xd7;
}

// Where the entropy-coded data after a scan header ends: at the next marker
// that is neither a stuffed zero nor a restart marker.
qsizetype scanDataEnd(const uchar* data, qsizetype from, qsizetype size)
{
    for (qsizetype p = from; p + 1 < size; ++p) {
        if (data[p] == 0xff && data[p + 1] != 0 && data[p + 1] != 0xff && !isRestartMarker(data[p + 1]))
            return p;
    }
    return size;
}

int stripJpeg(QByteArray* bytes)
{
    const qsizetype size = bytes->size();
    Compactor out(bytes, 2);
    const uchar* data = out.at(0);
    int scans = 0;
    qsizetype read = 2;
    while (read < size && data[read] == 0xff) {
        qsizetype markerAt = read;
        while (markerAt < size && data[markerAt] == 0xff)
            ++markerAt;
        if (markerAt >= size)
            break;
        const uchar marker = data[markerAt];
        if (marker == 0xd9) // the end of the image: what follows stays as it is
            break;
        qsizetype end = markerAt + 1;
        if (marker != 0x01 && !isRestartMarker(marker)) {
            if (end + 2 > size)
                break;
            const quint32 length = bigEndian(data + end, 2);
            if (length < 2 || end + qsizetype(length) > size)
                break;
            end += length;
        }
        if (marker == 0xda) {
            ++scans;
            end = scanDataEnd(data, end, size);
        }
        // COM, and APP1 to APP15 but the Adobe segment APP14.
        const bool kept = !(marker == 0xfe || (marker >= 0xe1 && marker <= 0xef && marker != 0xee));
        if (kept)
            out.keep(read, end);
        read = end;
    }
    out.finish(read);
    return scans;
}

void stripPng(QByteArray* bytes)
{
    const qsizetype size = bytes->size();
    Compactor out(bytes, 8);
    const uchar* data = out.at(0);
    qsizetype read = 8;
    // Each chunk: its length, its type, its data and a CRC of its own, so
    // that dropping a whole chunk leaves the others sound.
    while (read + 12 <= size) {
        const quint32 length = bigEndian(data + read, 4);
        if (length > quint64(size - read - 12))
            break;
        const qsizetype end = read + 12 + qsizetype(length);
        const char* type = reinterpret_cast<const char*>(data + read + 4);
        const bool text
            = !std::memcmp(type, "tEXt", 4) || !std::memcmp(type, "zTXt", 4) || !std::memcmp(type, "iTXt", 4);
        if (!text)
            out.keep(read, end);
        read = end;
        if (!std::memcmp(type, "IEND", 4))
            break;
    }
    out.finish(read);
}

} // namespace

void stripImageMetadata(QByteArray* bytes, int* jpegScans)
{
    *jpegScans = 0;
    if (bytes->startsWith("\xff\xd8"))
        *jpegScans = stripJpeg(bytes);
    else if (bytes->startsWith("\x89PNG\r\n\x1a\n"))
        stripPng(bytes);
}

QSize gifScreenSize(const QByteArray& bytes, const QSize& frame)
{
    if (bytes.size() < 10 || !(bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")))
        return QSize();
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const int width = data[6] | data[7] << 8;
    const int height = data[8] | data[9] << 8;
    return QSize(width > 0 ? width : frame.width(), height > 0 ? height : frame.height());
}
