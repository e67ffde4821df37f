#include "level/tools/tileblock.h"

#include "level/core/messages.h"
#include "level/format/record.h"
#include "level/tools/directions.h"

#include <QBuffer>
#include <QMimeData>
#include <QPoint>

#include <algorithm>

namespace tavrin {

const QString TileBlockMimeType = QStringLiteral("application/x-tavrin-tiles");

namespace {

Failure NothingPasted(const QString& why) {
    return Failure(ErrInvalidFormat, QStringLiteral("Nothing pasted: %1.").arg(why));
}

Failure TextTooLong() {
    return NothingPasted(
        QStringLiteral("the text is longer than %1 bytes, far more than the records of a screen")
            .arg(MaxBlockTextBytes));
}

// Reads the records of a pasted text one by one, and tells where a refused one stands.
class PastedRecords {
public:
    explicit PastedRecords(const QByteArray& text) : m_bytes(text), m_buffer(&m_bytes), m_reader(open()) {}

    bool atEnd() { return m_reader.atEnd(); }
    Record read() {
        if (++m_count > MaxBlockRecords)
            throw NothingPasted(QStringLiteral("the text holds more than %1 records, more than a screen has")
                                    .arg(MaxBlockRecords));
        try {
            return m_reader.read();
        } catch (const Failure& failure) {
            throw NothingPasted(
                QStringLiteral("line %1 of the text is no record as a level file has them (%2)")
                    .arg(line())
                    .arg(ShownText(failure)));
        }
    }
    // The line the record read last starts on.
    qint64 line() { return LineOfOffset(&m_buffer, m_reader.recordStart()); }

private:
    QIODevice* open() {
        m_buffer.open(QIODevice::ReadOnly);
        return &m_buffer;
    }

    QByteArray m_bytes;
    QBuffer m_buffer;
    RecordReader m_reader;
    int m_count = 0;
};

} // namespace

TileBlock::TileBlock(int origin, int columns, int rows)
    : m_origin(origin), m_columns(columns), m_rows(rows), m_cells(size_t(columns * rows)) {}

TileBlock TileBlock::take(const Screen& screen, const std::vector<int>& tiles) {
    if (tiles.empty())
        return TileBlock();
    int left = GridColumns, top = GridRows, right = -1, bottom = -1;
    for (const int tile : tiles) {
        left = std::min(left, GridColumnOf(tile));
        right = std::max(right, GridColumnOf(tile));
        top = std::min(top, GridRowOf(tile));
        bottom = std::max(bottom, GridRowOf(tile));
    }
    TileBlock block(GridTileAt(left, top), right - left + 1, bottom - top + 1);
    for (const int tile : tiles)
        block.at(GridColumnOf(tile) - left, GridRowOf(tile) - top) = screen.tile(tile);
    return block;
}

TileBlock TileBlock::fromRecords(const QByteArray& text) {
    if (text.size() > MaxBlockTextBytes)
        throw TextTooLong();
    PastedRecords records(text);
    Screen screen = Screen::fresh();
    std::vector<int> tiles;
    std::optional<Integer> screenNumber;
    while (!records.atEnd()) {
        const Record record = records.read();
        const std::optional<Integer> key =
            record[0].isText() ? EditorScreenOfKey(record[0].textValue()) : std::nullopt;
        if (!key)
            throw NothingPasted(QStringLiteral("line %1 of the text is no record of a screen (its key is %2)")
                                    .arg(records.line())
                                    .arg(ShownValue(record[0])));
        if (screenNumber && *screenNumber != *key)
            throw NothingPasted(QStringLiteral("the text holds records of screens %1 and %2; copy the tiles "
                                               "of one screen")
                                    .arg(*screenNumber)
                                    .arg(*key));
        screenNumber = key;
        std::optional<Integer> tile;
        try {
            tile = TileOfRecord(record);
        } catch (const FieldFault& fault) {
            throw NothingPasted(Text(Msg::FieldFailure)
                                    .arg(ShownText(fault.failure))
                                    .arg(records.line())
                                    .arg(QStringLiteral("the text"))
                                    .arg(fault.field + 1)
                                    .arg(QLatin1String(FieldNameOf(record, fault.field)))
                                    .arg(ShownValue(record[fault.field])));
        }
        if (!tile) // the screen's "ScreenInfo" and side records
            continue;
        if (*tile < FirstGridTile)
            throw NothingPasted(
                QStringLiteral("line %1 of the text names tile 0, which is no tile of the grid")
                    .arg(records.line()));
        screen.applyTileRecord(record, *tile);
        if (std::find(tiles.begin(), tiles.end(), int(*tile)) == tiles.end())
            tiles.push_back(int(*tile));
    }
    if (tiles.empty())
        throw NothingPasted(QStringLiteral("the text holds no tile records"));
    return take(screen, tiles);
}

TileBlock TileBlock::fromMimeData(const QMimeData& data) {
    if (data.hasFormat(TileBlockMimeType))
        return fromRecords(data.data(TileBlockMimeType));
    if (!data.hasText())
        throw NothingPasted(QStringLiteral("the clipboard holds no tiles"));
    const QString text = data.text();
    if (text.size() > MaxBlockTextBytes)
        throw TextTooLong();
    // A level file is read byte by byte as Latin-1; anything beyond is no level file's text.
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            throw NothingPasted(
                QStringLiteral("the text holds the character '%1', which no level file holds").arg(c));
    return fromRecords(text.toLatin1());
}

int TileBlock::tileCount() const {
    return int(std::count_if(m_cells.begin(), m_cells.end(),
                             [](const std::optional<TileState>& cell) { return cell.has_value(); }));
}

const std::optional<TileState>& TileBlock::cell(int column, int row) const {
    return m_cells.at(size_t(row * m_columns + column));
}

template <typename Move>
TileBlock TileBlock::turned(int columns, int rows, const std::array<int, 4>& side, Move move) const {
    TileBlock result(m_origin, columns, rows);
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const std::optional<TileState>& from = cell(column, row);
            if (!from)
                continue;
            TileState tile = *from;
            for (size_t s = 0; s < 4; ++s) {
                tile.directions[size_t(side[s])] = from->directions[s];
                tile.operands[size_t(side[s])] = from->operands[s];
            }
            const QPoint to = move(column, row);
            result.at(to.x(), to.y()) = tile;
        }
    }
    return result;
}

TileBlock TileBlock::flippedHorizontally() const {
    return turned(m_columns, m_rows, {SideRight, SideUp, SideLeft, SideDown},
                  [this](int column, int row) { return QPoint(m_columns - 1 - column, row); });
}

TileBlock TileBlock::flippedVertically() const {
    return turned(m_columns, m_rows, {SideLeft, SideDown, SideRight, SideUp},
                  [this](int column, int row) { return QPoint(column, m_rows - 1 - row); });
}

TileBlock TileBlock::rotatedClockwise() const {
    return turned(m_rows, m_columns, {SideUp, SideRight, SideDown, SideLeft},
                  [this](int column, int row) { return QPoint(m_rows - 1 - row, column); });
}

bool TileBlock::fitsAt(int topLeft) const {
    return topLeft >= FirstGridTile && topLeft <= LastGridTile &&
           GridColumnOf(topLeft) + m_columns <= GridColumns && GridRowOf(topLeft) + m_rows <= GridRows;
}

std::vector<std::pair<int, TileState>> TileBlock::placedAt(int topLeft) const {
    std::vector<std::pair<int, TileState>> placed;
    if (topLeft < FirstGridTile || topLeft > LastGridTile)
        return placed;
    const int left = GridColumnOf(topLeft), top = GridRowOf(topLeft);
    for (int row = 0; row < m_rows && top + row < GridRows; ++row)
        for (int column = 0; column < m_columns && left + column < GridColumns; ++column)
            if (const std::optional<TileState>& tile = cell(column, row))
                placed.emplace_back(GridTileAt(left + column, top + row), *tile);
    return placed;
}

// The records are those of the screen's block as the editor writes it, the block's tiles alone.
QByteArray TileBlock::toRecords(Integer screen) const {
    Screen value = Screen::fresh();
    std::array<bool, LastGridTile + 1> taken{};
    for (const auto& [tile, state] : placedAt(m_origin)) {
        value.tile(tile) = state;
        taken[size_t(tile)] = true;
    }
    const QByteArray block = value.encode(screen);
    const char* record = block.constData();
    const char* const end = block.constData() + block.size();
    QByteArray records;
    for (int tile = FirstGridTile; tile <= LastGridTile; ++tile) {
        RecordSpans spans;
        const char* const next = ScanRecordInMemory(record, end, &spans);
        if (!next)
            throw Failure(ErrInvalidFormat,
                          QStringLiteral("Tile %1 holds a field too long to copy.").arg(tile));
        if (taken[size_t(tile)])
            records.append(record, next - record);
        record = next;
    }
    return records;
}

QMimeData* TileBlock::toMimeData(Integer screen) const {
    const QByteArray records = toRecords(screen);
    auto* data = new QMimeData();
    data->setData(TileBlockMimeType, records);
    data->setText(QString::fromLatin1(records));
    return data;
}

TileState BlankedTile(TileState tile, Long brushColour) {
    tile.colour = FieldValue::number(brushColour);
    tile.picture = FieldValue::number(0);
    tile.directions = {};
    return tile;
}

std::vector<int> TilesWithOddExits(const std::vector<std::pair<int, TileState>>& placed,
                                   const SideLinks& links, Integer lastScreen) {
    std::vector<int> odd;
    for (const auto& [tile, state] : placed) {
        for (int side = 0; side < 4; ++side) {
            const EdgeMark mark = MarkOf(state, side, links, lastScreen);
            if (mark.kind == EdgeMark::Exit && !mark.valid) {
                odd.push_back(tile);
                break;
            }
        }
    }
    return odd;
}

} // namespace tavrin
