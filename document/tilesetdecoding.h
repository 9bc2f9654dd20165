#pragma once

#include <QString>

#include <functional>

// How the document waits for a tile-set image to be read and decoded. This
// one runs the work at once on the calling thread, as varnhold-map and the
// tests without a window do; the window puts one in its place that runs it
// on another thread and lets the user cancel the wait.
class TileSetDecoding
{
public:
    virtual ~TileSetDecoding() = default;

    // Runs `work`, which reads and decodes the image file `path`, and
    // returns true once it has run. False when the user cancelled: `work`
    // may then go on running, or start later, on another thread, so it must
    // own everything it touches, and what it gives is to be dropped.
    virtual bool run(const QString& path, const std::function<void()>& work)
    {
        Q_UNUSED(path);
        work();
        return true;
    }
};
