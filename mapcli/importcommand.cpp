#include "mapcli/importcommand.h"

#include "mapcli/commandline.h"
#include "mapcli/mapcommand.h"
#include "mapcli/outputfile.h"
#include "mapfile/mapwriter.h"
#include "tmx/tmximport.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

const char* const help = R"(Usage: varnhold-map import IN.tmx -o OUT.map

Makes a map of the Tiled editor (TMX, also gzip-compressed as .tmx.gz) a
Varnhold map file that looks as Tiled draws the map, and prints what it did:
  Imported island.tmx: 58 x 47, 3 tile layers into 2, 212 tiles in
  island.tiles.png; left out: 1 object layer

What is read: orthogonal maps of at most 255 x 255 cells (an infinite map
becomes the bounding box of its chunks); tile layers in CSV, base64 plain,
zlib, gzip or zstd, or <tile> elements; groups, whose visibility, opacity
and offset apply to their layers; tile sets in the map or in .tsx files, of
one image with any tile size, margin, spacing and transparent colour, or of
one image per tile; flipped tiles.

How it becomes two layers of 40 x 40 tiles:
  - A map as 'varnhold-map export' writes it (40 x 40 tiles without margin
    or spacing, at most the layers bottom, top and pass, no flips, opacity
    or offsets) names its own tile-set images: exported and imported again,
    a map file comes back byte for byte.
  - Any other map is converted: the first visible tile layer becomes the
    bottom layer, and every visible tile layer above it is drawn, with its
    opacity and flips, into the top layer. Each distinct stack of tiles
    over a cell becomes one tile of a converted tile-set image, scaled to
    40 x 40 pixels by nearest neighbour, written beside OUT.map as
    OUT.tiles.png; equal stacks share one tile.
  - A tile layer named "pass" (in any case), shown or hidden, is not drawn:
    each of its cells that holds a tile is passable.
Hidden layers, object layers and image layers are left out.

Refused, with nothing written: another orientation, a map larger than
255 cells a side, XML that is not well-formed, layer data that does not
decode to the layer's size, a tile-set image that cannot be read, and a
converted image larger than a tile-set image may be. Existing files are
replaced whole, never left cut short.

Tile-set names in map files are paths relative to the current folder: run
the import from the folder you start the editor in.

Options:
  -o, --output OUT.map  the map file to write
  -h, --help            show this help

Exit status: 0 when the map was imported; 1 when it was refused or a file
cannot be written; 2 for a usage error.

Examples:
  varnhold-map import island.tmx -o maps/island.map
  varnhold-map import world.tmx.gz -o world.map
)";

// Whether `path` is one of the files the import read or writes itself;
// reported as a file that cannot be written.
bool isImportFile(const QString& path, const TmxImport& import, QTextStream& err)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return false;
    QStringList used = import.readFiles + import.map.tileSetNames;
    for (const QString& file : used) {
        if (QFileInfo(file).canonicalFilePath() == target) {
            err << QStringLiteral("%1: cannot be written: the import reads it or writes it as a tile set\n")
                       .arg(path);
            return true;
        }
    }
    return false;
}

} // namespace

int runImportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine commandLine(QStringLiteral("import"), QString::fromUtf8(help));
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") }, QString(),
                                    QStringLiteral("OUT.map"));
    commandLine.parser().addOption(output);
    int status = CommandDone;
    QString tmx, target;
    if (!commandLine.parse(arguments, out, err, &status)
        || !commandLine.mapAndOutput(output, QStringLiteral("OUT.map"), err, &tmx, &target, &status))
        return status;

    TmxImport import;
    QString error;
    if (!importTmxFile(tmx, tmxTileImagePath(target), &import, &error)) {
        err << error << '\n';
        return CommandFoundProblems;
    }
    if (isImportFile(target, import, err))
        return CommandFoundProblems;
    if (!writeTmxTileImage(import, &error)) {
        err << error << '\n';
        return CommandFoundProblems;
    }
    if (!writeOutputFile(target, formatMapFile(import.map), err))
        return CommandFoundProblems;
    out << import.report << '\n';
    return CommandDone;
}
