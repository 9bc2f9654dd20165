#pragma once

#include "document/tilesetdecoding.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QEventLoop;
class QProgressDialog;
class QWidget;

// The window's way of reading tile-set images: each read and decode runs on
// a thread of Qt's pool while the window waits in a local event loop, so it
// keeps painting and answering. Once the reads of one load or import have
// taken ShowAfter, a progress dialog names the file being read; its Cancel
// (or Escape) makes run() return false at once, and the decode left behind
// stops at its next read (see decodeTileSetFile()).
class DecodingProgress : public QObject, public TileSetDecoding
{
    Q_OBJECT

public:
    // Ordinary loads end sooner and show nothing.
    static constexpr int ShowAfter = 300; // ms

    explicit DecodingProgress(QWidget* window);
    ~DecodingProgress() override;

    bool run(const QString& path, const std::function<void()>& work) override;

private:
    // How the wait for one read ends.
    enum Wake { Shown = 1, Done, Cancelled };

    void showDialog();
    void cancel();
    // The dialog goes; the next read starts afresh.
    void endReading();

    QWidget* window;
    // From the first read of a load or import until the event loop is back
    // from its last one, so that the reads of an import share one dialog.
    std::unique_ptr<QProgressDialog> dialog;
    QTimer showTimer;
    QEventLoop* waiting = nullptr;
};
