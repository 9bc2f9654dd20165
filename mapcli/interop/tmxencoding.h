#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// How a TMX layer's cells are written, every way Tiled writes them.
enum class TmxEncoding { TileElements, Csv, Base64, Zlib, Gzip, Zstd };

// For the TMX maps that the tests and `make interop` write: the attributes
// of a <data> element in that encoding (with a leading space), the content
// of <data> or of an infinite map's <chunk> holding these global ids row by
// row, and a whole <data> element.
QString tmxDataAttributes(TmxEncoding encoding);
QString tmxDataContent(const std::vector<quint32>& gids, int width, TmxEncoding encoding);
QString tmxDataElement(const std::vector<quint32>& gids, int width, TmxEncoding encoding);

// The bytes of a gzip file of `bytes`, as a .tmx.gz map holds its TMX.
QByteArray gzipped(const QByteArray& bytes);
