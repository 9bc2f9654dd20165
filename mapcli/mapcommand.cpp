#include "mapcli/mapcommand.h"

#include "mapcli/checkcommand.h"
#include "mapcli/exportcommand.h"
#include "mapcli/importcommand.h"
#include "mapcli/rendercommand.h"

#include <QTextStream>

namespace {

const char* const overview = R"(Usage: varnhold-map COMMAND [ARGUMENTS]

Checks, draws, exports and imports Varnhold map files (.map) without the
editor's window; no display is needed.

Commands:
  check FILE...                  report every problem of map files
  render FILE -o OUT.png [...]   write the picture of a map as the editor draws it
  export FILE -o OUT.tmx         write a map as a TMX map for Tiled and game engines
  import IN.tmx -o OUT.map       make a TMX map of Tiled a map file

'varnhold-map COMMAND --help' describes a command and its options.

Options:
  -h, --help      show this help
  -v, --version   show the version

Tile-set names in map files are paths relative to the current folder, as in
the editor: run varnhold-map from the folder you start the editor in.

Exit status: 0 on success, 1 when a map has problems, a TMX map is refused
or a file cannot be written, 2 for a usage error.
)";

int usageError(QTextStream& err, const QString& message)
{
    err << QStringLiteral("varnhold-map: %1\nTry 'varnhold-map --help'.\n").arg(message);
    return CommandUsageError;
}

} // namespace

int runMapCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    const QString& command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("-h") || command == QLatin1String("--help")) {
        out << overview;
        return CommandDone;
    }
    if (command == QLatin1String("-v") || command == QLatin1String("--version")) {
        out << "varnhold-map " VARNHOLD_VERSION "\n";
        return CommandDone;
    }
    if (command == QLatin1String("check"))
        return runCheckCommand(rest, out, err);
    if (command == QLatin1String("render"))
        return runRenderCommand(rest, out, err);
    if (command == QLatin1String("export"))
        return runExportCommand(rest, out, err);
    if (command == QLatin1String("import"))
        return runImportCommand(rest, out, err);
    return usageError(err, QStringLiteral("unknown command '%1'").arg(command));
}
