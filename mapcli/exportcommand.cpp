#include "mapcli/exportcommand.h"

#include "render/pngencoder.h"
#include "mapcli/commandline.h"
#include "mapcli/mapcommand.h"
#include "mapcli/mapsource.h"
#include "mapcli/outputfile.h"
#include "mapcli/tmxexport.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

const char* const help = R"(Usage: varnhold-map export FILE -o OUT.tmx

Writes a map file as a TMX 1.8 map, the XML format of the Tiled editor that
many game engines and tools read: orthogonal, 40 x 40-pixel tiles, each
layer CSV-encoded.
  - The layers "bottom" and "top", in that order, hold the map's two layers.
  - Each tile set of the map is one tileset, its image referred to by its
    path relative to the folder of OUT.tmx. An image without any
    transparency gets the corner colour that the editor masks as its
    transparent colour (trans); an image with transparency keeps its own.
  - The layer "pass" holds, in each passable cell, the one tile of the
    tileset "pass", whose image OUT.pass.png is written beside OUT.tmx.
Existing files are replaced whole, never left cut short.

A TMX reader clears every pixel of the transparent colour, the editor only
those reached from the image's edges; empty bottom cells, which the editor
shows off-white, are empty in the TMX map. A cell whose tile set cannot be
loaded, or whose tile lies beyond the set's whole tiles, is left empty and
reported as check reports it.

Options:
  -o, --output OUT.tmx  the TMX file to write
  -h, --help            show this help

Exit status: 0 when the map was written and has no problems; 1 when the map
has problems (it is still written if the file could be read), a file
cannot be written, or a tile set's name holds a character that XML cannot
hold (a control character), in which case nothing is written; 2 for a
usage error.

Examples:
  varnhold-map export castle.map -o export/castle.tmx
  tmxrasterizer --hide-layer pass export/castle.tmx castle-in-tiled.png
)";

// The name as a terminal can show it: each control character as '?'.
QString printableName(QString name)
{
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return name;
}

} // namespace

int runExportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine commandLine(QStringLiteral("export"), QString::fromUtf8(help));
    QCommandLineParser& parser = commandLine.parser();
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") }, QString(),
                                    QStringLiteral("OUT.tmx"));
    parser.addOption(output);
    int status = CommandDone;
    QString map, target;
    if (!commandLine.parse(arguments, out, err, &status)
        || !commandLine.mapAndOutput(output, QStringLiteral("OUT.tmx"), err, &map, &target, &status))
        return status;

    MapSource source;
    const bool loaded = source.load(map);
    for (const QString& line : source.problemLines())
        err << line << '\n';
    if (!loaded)
        return CommandFoundProblems;

    const QFileInfo tmxFile(target);
    const QString passImage = tmxFile.completeBaseName() + QStringLiteral(".pass.png");
    const TmxMap tmx = tmxMapOf(source, tmxFile.absolutePath(), passImage);
    // XML would lose such a character without a word, and the tileset
    // would name another file.
    for (const TmxTileSet& tileSet : tmx.tileSets) {
        QString character = characterXmlCannotHold(tileSet.name);
        if (character.isEmpty())
            character = characterXmlCannotHold(tileSet.imageSource);
        if (!character.isEmpty()) {
            err << QStringLiteral(
                       "%1: cannot be written: the name of tile set \"%2\" holds the character %3, "
                       "which a TMX file cannot hold\n")
                       .arg(target, printableName(tileSet.name), character);
            return CommandFoundProblems;
        }
    }
    const QString passPath = QDir(tmxFile.path()).filePath(passImage);
    if (isInputFile(passPath, source, err) || isInputFile(target, source, err)
        || !writeOutputFile(passPath, pngFileBytes(passTileImage(tmx.tileSize)), err)
        || !writeOutputFile(target, tmxDocument(tmx), err))
        return CommandFoundProblems;
    return source.problems().isEmpty() ? CommandDone : CommandFoundProblems;
}
