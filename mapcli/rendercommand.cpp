#include "mapcli/rendercommand.h"

#include "model/worldmap.h"
#include "render/pngencoder.h"
#include "mapcli/commandline.h"
#include "mapcli/mapcommand.h"
#include "mapcli/maprendering.h"
#include "mapcli/mapsource.h"
#include "mapcli/outputfile.h"

#include <QTextStream>

namespace {

const char* const help = R"(Usage: varnhold-map render FILE -o OUT.png [--zoom Z] [--layer top|bottom|both]
                           [--no-grid] [--pass] [--compression fast|small]

Writes the picture of a map file as the editor's canvas draws it, drawn by
the canvas's own code, to a PNG file.

Options:
  -o, --output OUT.png  the PNG file to write; an existing file is replaced
                        whole, never left cut short
  --zoom Z              the zoom, 0.1 to 1.0 (default 1.0); a cell is
                        40 x Z pixels, as in the editor's zoom menu
  --layer both          the top layer over the bottom one (the default)
  --layer bottom        the bottom layer alone, as with "Show Top Layer" off
  --layer top           the top layer alone, over empty bottom cells
  --no-grid             leave out the grid lines
  --pass                draw the pass marks, as the "Set Pass" tool shows them
  --compression fast    compress the PNG file quickly (the default): writing
                        a large picture takes about as long as drawing it
  --compression small   compress it as small as it goes, several times slower
  -h, --help            show this help

The picture has the canvas's size: the cells and one more pixel in each
direction for the last grid line. It leaves out the start point and the
cursor marks, which are the editor's and not part of the map file. Where
the canvas would show the background behind it (through clear pixels of
bottom-layer tiles, and with --no-grid on the last grid line beside them),
the picture is transparent.

Problems of the map are reported as check reports them; cells that the
editor draws empty (their tile set cannot be loaded, their tile lies beyond
the set) are drawn empty here too.

Exit status: 0 when the picture was written and the map has no problems;
1 when the map has problems (the picture is still written if the file could
be read) or the picture cannot be written; 2 for a usage error.

Examples:
  varnhold-map render castle.map -o castle.png
  varnhold-map render castle.map -o overview.png --zoom 0.2 --no-grid
  varnhold-map render castle.map -o passes.png --layer top --pass
)";

} // namespace

int runRenderCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine commandLine(QStringLiteral("render"), QString::fromUtf8(help));
    QCommandLineParser& parser = commandLine.parser();
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") }, QString(),
                                    QStringLiteral("OUT.png"));
    const QCommandLineOption zoom(QStringLiteral("zoom"), QString(), QStringLiteral("Z"),
                                  QStringLiteral("1.0"));
    const QCommandLineOption layer(QStringLiteral("layer"), QString(), QStringLiteral("LAYER"),
                                   QStringLiteral("both"));
    const QCommandLineOption noGrid(QStringLiteral("no-grid"));
    const QCommandLineOption pass(QStringLiteral("pass"));
    const QCommandLineOption compression(QStringLiteral("compression"), QString(), QStringLiteral("HOW"),
                                         QStringLiteral("fast"));
    parser.addOptions({ output, zoom, layer, noGrid, pass, compression });
    int status = CommandDone;
    QString mapFile, target;
    if (!commandLine.parse(arguments, out, err, &status)
        || !commandLine.mapAndOutput(output, QStringLiteral("OUT.png"), err, &mapFile, &target, &status))
        return status;
    MapPictureOptions options;
    bool zoomRead = false;
    options.zoom = parser.value(zoom).toFloat(&zoomRead);
    if (!zoomRead || !(options.zoom >= 0.1f && options.zoom <= 1.0f))
        return commandLine.usageError(
            err,
            QStringLiteral("the zoom must be a number from 0.1 to 1.0, not '%1'").arg(parser.value(zoom)));
    const QString layers = parser.value(layer);
    if (layers != QLatin1String("both") && layers != QLatin1String("top")
        && layers != QLatin1String("bottom"))
        return commandLine.usageError(
            err, QStringLiteral("--layer takes top, bottom or both, not '%1'").arg(layers));
    const QString how = parser.value(compression);
    if (how != QLatin1String("fast") && how != QLatin1String("small"))
        return commandLine.usageError(err,
                                      QStringLiteral("--compression takes fast or small, not '%1'").arg(how));
    options.topLayer = layers != QLatin1String("bottom");
    options.gridLines = !parser.isSet(noGrid);
    options.passMarks = parser.isSet(pass);

    MapSource source;
    WorldMap map(1, 1);
    const bool loaded = source.load(mapFile);
    if (loaded)
        source.fillWorldMap(&map);
    for (const QString& line : source.problemLines())
        err << line << '\n';
    if (!loaded)
        return CommandFoundProblems;
    if (layers == QLatin1String("top")) {
        CellPatch replaced;
        map.fill(Layer::Bottom, QRect(QPoint(0, 0), map.size()), Cell(), &replaced);
    }

    const QImage picture = mapPicture(map, options);
    if (picture.isNull()) {
        err << QStringLiteral("%1: cannot be written: the picture would be larger than %2 pixels; "
                              "use a smaller --zoom\n")
                   .arg(target, QString::number(MaxPicturePixels));
        return CommandFoundProblems;
    }
    const QByteArray png
        = pngFileBytes(picture, how == QLatin1String("small") ? PngCompression::Small : PngCompression::Fast);
    if (png.isEmpty()) {
        err << QStringLiteral("%1: cannot be written: the picture could not be encoded as PNG\n").arg(target);
        return CommandFoundProblems;
    }
    if (isInputFile(target, source, err) || !writeOutputFile(target, png, err))
        return CommandFoundProblems;
    return source.problems().isEmpty() ? CommandDone : CommandFoundProblems;
}
