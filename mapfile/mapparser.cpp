#include "mapfile/mapparser.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

// Walks the file token by token and keeps the line number of the last token
// read (or of the end of the file) for the messages.
class TokenReader
{
public:
    explicit TokenReader(const QByteArray& bytes)
        : begin(bytes.constData())
        , pos(begin)
        , end(begin + bytes.size())
    {
        // A UTF-8 byte-order mark, as some editors write, is no token.
        if (bytes.startsWith("\xEF\xBB\xBF"))
            pos += 3;
    }

    enum class Found { Number, OtherText, End };

    // Moves to the next token and reads it as a whole decimal int32 when it
    // is one: an optional '-' and digits, nothing else (from_chars takes
    // neither '+' nor white space, and reports an overflow; nine digits
    // never overflow). Reading the number straight from the bytes spares a
    // separate scan of each token.
    Found nextNumber(qint32* value)
    {
        skipSeparators();
        if (pos == end)
            return Found::End;
        tokenBegin = pos;
        // The short numbers that make up nearly all of a file are read here,
        // without a call; a longer one goes to from_chars, which checks the
        // range.
        const char* p = pos;
        const bool negative = *p == '-';
        p += negative;
        const char* const digits = p;
        quint32 read = 0;
        while (p != end && p - digits < 9 && quint8(*p - '0') < 10)
            read = read * 10 + quint8(*p++ - '0');
        if (p != digits && (p == end || isMapFileSeparator(*p))) {
            *value = negative ? -qint32(read) : qint32(read);
            pos = tokenEnd = p;
            return Found::Number;
        }
        const auto [last, ec] = std::from_chars(pos, end, *value);
        if (ec == std::errc() && (last == end || isMapFileSeparator(*last))) {
            pos = tokenEnd = last;
            return Found::Number;
        }
        skipToken();
        return Found::OtherText;
    }

    // Moves to the next token; false at the end of the file.
    bool next()
    {
        skipSeparators();
        if (pos == end)
            return false;
        tokenBegin = pos;
        skipToken();
        return true;
    }

    bool atEnd()
    {
        skipSeparators();
        return pos == end;
    }

    qint64 bytesLeft() const { return end - pos; }

    QByteArray token() const { return QByteArray(tokenBegin, tokenEnd - tokenBegin); }
    // The token's first `length` bytes, and whether it holds more.
    QByteArray tokenStart(qsizetype length, bool* cut) const
    {
        *cut = tokenEnd - tokenBegin > length;
        return QByteArray(tokenBegin, std::min<qsizetype>(length, tokenEnd - tokenBegin));
    }
    // Counted only when a message needs it, which keeps the reading of
    // every separator light.
    int line() const
    {
        int line = 1;
        for (const char* p = begin; p != lineMark; ++p)
            line += endsMapFileLine(p, end);
        return line;
    }

private:
    void skipToken()
    {
        while (pos != end && !isMapFileSeparator(*pos))
            ++pos;
        tokenEnd = pos;
    }

    void skipSeparators()
    {
        while (pos != end && isMapFileSeparator(*pos))
            ++pos;
        lineMark = pos;
    }

    const char* begin;
    const char* pos;
    const char* end;
    const char* tokenBegin = nullptr;
    const char* tokenEnd = nullptr;
    const char* lineMark = begin; // where the last token, or the end, was found
};

// The token just read as the user can recognise it in a message: bytes that
// would not print are shown as '?', and a long token is cut short without
// copying the rest of it.
QString printable(const TokenReader& reader)
{
    constexpr int maxShown = 24;
    bool cut = false;
    QByteArray shown = reader.tokenStart(maxShown, &cut);
    for (char& c : shown) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || (u >= 0x7f && u < 0xa0))
            c = '?';
    }
    QString text = QString::fromLatin1(shown);
    if (cut)
        text += QStringLiteral("...");
    return text;
}

class Parser
{
public:
    explicit Parser(const QByteArray& bytes)
        : reader(bytes)
    {
    }

    bool parse(MapData* data)
    {
        qint32 count = 0;
        if (!readInt(&count, 0, MapData::MaxTileSets,
                     QStringLiteral("the number of tile sets (0 to %1)").arg(MapData::MaxTileSets)))
            return false;
        for (qint32 i = 0; i < count; ++i) {
            if (!reader.next())
                return fail(QStringLiteral("a tile-set name (%1 of %2)").arg(i + 1).arg(count));
            data->tileSetNames.append(QString::fromLatin1(reader.token()));
        }
        setIndexRange = count == 0 ? QStringLiteral("a set index (-1, as the file lists no tile set)")
                                   : QStringLiteral("a set index (-1 to %1)").arg(count - 1);
        setCount = count;
        const QString sideRange = QStringLiteral("(1 to %1)").arg(MapData::MaxSide);
        if (!readInt(&data->width, 1, MapData::MaxSide, "the map width " + sideRange)
            || !readInt(&data->height, 1, MapData::MaxSide, "the map height " + sideRange))
            return false;

        const qint64 cells = qint64(data->width) * data->height;
        // Six tokens per cell, each at least one byte after a separator.
        if (reader.bytesLeft() < 2 * (2 * 3 * cells)) {
            // Too short to hold both layers: find the first fault without
            // allocating anything. Fewer bytes than the records need, so
            // reading always stops at a bad token or at the end.
            readRecords(2 * cells, nullptr);
            return false;
        }
        // Reserved, not resized: each record is written once, as it is read.
        data->top.reserve(size_t(cells));
        data->bottom.reserve(size_t(cells));
        if (!readRecords(cells, &data->top) || !readRecords(cells, &data->bottom))
            return false;
        if (!reader.atEnd()) {
            reader.next();
            errorText = QStringLiteral("line %1: unexpected text after the last cell, found \"%2\"")
                            .arg(reader.line())
                            .arg(printable(reader));
            return false;
        }
        return true;
    }

    const QString& error() const { return errorText; }

private:
    // Records go to `out` when it is given; without it they are only checked.
    bool readRecords(qint64 cells, std::vector<CellRecord>* out)
    {
        static const QString tileRange = QStringLiteral("a tile index (-1 or more)");
        static const QString passRange = QStringLiteral("a pass flag (0 or 1)");
        CellRecord record;
        qint32 pass = 0;
        for (qint64 i = 0; i < cells; ++i) {
            if (!readInt(&record.setIndex, -1, setCount - 1, setIndexRange)
                || !readInt(&record.tileIndex, -1, std::numeric_limits<qint32>::max(), tileRange)
                || !readInt(&pass, 0, 1, passRange))
                return false;
            record.pass = pass == 1;
            if (out)
                out->push_back(record);
        }
        return true;
    }

    // Reads one integer in [low, high] into *value, which a failure leaves
    // alone. Called for every number of the file: the message of a failure
    // is made out of line, so that the call stays light.
    bool readInt(qint32* value, qint32 low, qint32 high, const QString& what)
    {
        qint32 read = 0;
        const TokenReader::Found found = reader.nextNumber(&read);
        if (Q_LIKELY(found == TokenReader::Found::Number && read >= low && read <= high)) {
            *value = read;
            return true;
        }
        return failAt(found, what);
    }

    Q_NEVER_INLINE Q_DECL_COLD_FUNCTION bool failAt(TokenReader::Found found, const QString& what)
    {
        return found == TokenReader::Found::End ? fail(what) : failOnToken(what);
    }

    bool fail(const QString& what)
    {
        errorText
            = QStringLiteral("line %1: expected %2, found the end of the file").arg(reader.line()).arg(what);
        return false;
    }

    bool failOnToken(const QString& what)
    {
        errorText = QStringLiteral("line %1: expected %2, found \"%3\"")
                        .arg(reader.line())
                        .arg(what, printable(reader));
        return false;
    }

    TokenReader reader;
    qint32 setCount = 0;
    QString setIndexRange;
    QString errorText;
};

} // namespace

bool parseMapFile(const QByteArray& bytes, MapData* data, QString* error)
{
    Parser parser(bytes);
    MapData parsed;
    if (!parser.parse(&parsed)) {
        if (error)
            *error = parser.error();
        return false;
    }
    *data = std::move(parsed);
    return true;
}
