#pragma once

#include <QByteArray>
#include <QImage>

// The image as the bytes of a PNG file, with its alpha; empty if it cannot
// be encoded.
QByteArray pngFileBytes(const QImage& image);
