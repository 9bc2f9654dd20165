// libFuzzer entry point for the map-file parser. Whatever the parser accepts
// must be a map the writer can store, and writing it back and parsing the
// result must give exactly the same map; a refused file must leave the
// caller's map alone and say on which line it failed.

#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz_mapparser: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

// A map no parse can produce, so that any write into it on failure shows.
MapData sentinel()
{
    MapData data;
    data.tileSetNames << QStringLiteral("untouched");
    data.width = -7;
    data.height = -9;
    data.top.resize(3);
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size)
{
    // No copy: reading one byte past the input is then an ASan report.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(input), qsizetype(size));

    MapData parsed = sentinel();
    QString error;
    if (!parseMapFile(bytes, &parsed, &error)) {
        if (parsed != sentinel())
            fail("a refused file changed the map", error);
        if (!error.startsWith(QLatin1String("line ")))
            fail("a refusal does not name its line", error);
        return 0;
    }

    const QString problem = mapDataProblem(parsed);
    if (!problem.isEmpty())
        fail("an accepted file gives a map that cannot be written", problem);

    const QByteArray written = formatMapFile(parsed);
    MapData reread;
    if (!parseMapFile(written, &reread, &error))
        fail("a written map is refused", error);
    if (reread != parsed)
        fail("a written map reads back differently", QString());
    return 0;
}
