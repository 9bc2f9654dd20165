#pragma once

#include <QByteArray>

class QImage;

// How a PNG file is compressed: `Fast` takes about as long as writing the
// file, `Small` several times longer for a file a little smaller.
enum class PngCompression { Fast, Small };

// The image as the bytes of a PNG file: 8-bit RGB when every pixel is
// opaque, 8-bit RGBA (not premultiplied, as the format has it) otherwise,
// one zlib stream: compressed by ISA-L's igzip when fast, by libdeflate
// when small. Empty for a null image or one
// too large for a PNG file.
QByteArray pngFileBytes(const QImage& image, PngCompression compression = PngCompression::Fast);
