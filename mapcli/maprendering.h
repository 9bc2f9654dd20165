#pragma once

#include <QImage>

class WorldMap;

// What a picture of a map shows, as the canvas's settings would.
struct MapPictureOptions
{
    float zoom = 1.0f;
    // Off: the bottom layer alone, as the canvas shows it with the top layer
    // switched off.
    bool topLayer = true;
    bool gridLines = true;
    // The pass marks of the Set Pass tool.
    bool passMarks = false;
};

// The picture of the map's cells and grid lines as the canvas draws them at
// the zoom, drawn by the canvas's own renderer onto a clear image of the
// canvas's size. The start point and the cursor marks are left out: they
// are the editor's, not the map file's. Null when the picture would exceed
// MaxPicturePixels.
QImage mapPicture(const WorldMap& map, const MapPictureOptions& options);

// The largest picture drawn, in pixels: 1 GB of them.
constexpr qint64 MaxPicturePixels = qint64(1) << 28;
