#include "mapcli/checkcommand.h"

#include "mapcli/commandline.h"
#include "mapcli/mapcommand.h"
#include "mapcli/mapsource.h"

#include <QTextStream>

namespace {

const char* const help = R"(Usage: varnhold-map check FILE...

Reads each map file as the editor's "Import Set" does and reports every
problem, one line each, as FILE:LINE: message (FILE: message for the file
as a whole):
  - a file that cannot be read, or is cut short or malformed: the line
    where reading stopped and what was expected there;
  - a tile set that cannot be loaded from the current folder (with the
    reason: not a regular file, not an image, damaged, too large, smaller
    than one 40 x 40 tile), with the number of cells using it;
  - a cell whose tile lies beyond its tile set's whole tiles, or that holds
    a tile without a tile set (set index -1, read as an empty cell). The
    first 20 such cells of a file are listed; the others are counted.
Nothing is printed for a sound file.

Tile-set names are paths relative to the current folder, as in the editor:
run the check from the folder you start the editor in.

Options:
  -h, --help   show this help

Exit status: 0 when every file is sound, 1 when any file has a problem,
2 for a usage error.

Examples:
  varnhold-map check castle.map
  varnhold-map check maps/*.map || exit 1
)";

} // namespace

int runCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine commandLine(QStringLiteral("check"), QString::fromUtf8(help));
    int status = CommandDone;
    if (!commandLine.parse(arguments, out, err, &status))
        return status;
    const QStringList files = commandLine.parser().positionalArguments();
    if (files.isEmpty())
        return commandLine.usageError(err, QStringLiteral("no map file given"));

    for (const QString& file : files) {
        MapSource source;
        source.load(file);
        for (const QString& line : source.problemLines())
            out << line << '\n';
        if (!source.problems().isEmpty())
            status = CommandFoundProblems;
    }
    return status;
}
