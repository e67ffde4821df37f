#include "level/tools/leveldiff.h"

#include "level/core/messages.h"
#include "level/format/record.h"

#include <QBuffer>

namespace tavrin {

namespace {

const QString LevelPropKey = QStringLiteral("LevelProp");

Failure Named(const QString& path, const Failure& failure) {
    const QString text = ShownText(failure);
    return Failure(failure.code(), text.contains(path) ? text : Text(Msg::NamedFailure).arg(path, text));
}

QString ScreenKey(int screen) {
    return QStringLiteral("Screen") + QString::number(screen);
}

// A record of each kind whose field names FieldNameOf gives.
Record TileRecord() {
    Record record;
    record[1] = FieldValue::number(1);
    return record;
}

Record PropertyRecord() {
    Record record;
    record[0] = FieldValue::text(LevelPropKey);
    return record;
}

void DiffScreens(int number, const Screen& before, const Screen& after, std::vector<LevelChange>& changes) {
    for (int t = FirstGridTile; t <= LastGridTile; ++t) {
        if (before.tile(t) == after.tile(t))
            continue;
        for (int field = FirstTileField; field <= LastTileField; ++field) {
            FieldValue a = TileField(before.tile(t), field);
            FieldValue b = TileField(after.tile(t), field);
            if (a != b)
                changes.push_back(
                    {LevelChange::Kind::Tile, number, t, field, std::move(a), std::move(b), {}});
        }
    }
    for (int k = 2; k <= 9; ++k) {
        const size_t link = size_t(k);
        if (before.links[link] != after.links[link])
            changes.push_back({LevelChange::Kind::Link,
                               number,
                               k,
                               0,
                               FieldValue::number(before.links[link]),
                               FieldValue::number(after.links[link]),
                               {}});
    }
}

} // namespace

LevelSource::LevelSource(FileAccess& files, const QString& path) : m_path(path) {
    try {
        m_index.build(files, path);
    } catch (const Failure& failure) {
        throw Named(path, failure);
    }
    if (m_index.endFailure())
        throw Named(path, *m_index.endFailure());
    if (!m_index.hasLevelRecords())
        throw Failure::notALevelFile(path);
    m_file = std::make_unique<ReadAhead>(files.openRead(path));
    QByteArray records;
    for (const LevelIndex::Run& run : m_index.runsOf(LevelPropKey))
        records += m_file->bytes(run.begin, run.end).toByteArray();
    QBuffer buffer(&records);
    buffer.open(QIODevice::ReadOnly);
    RecordReader reader(&buffer, false);
    int field = 0; // of the "LevelProp" record being converted, 0 while reading
    try {
        // As loading a level does, the last "LevelProp" record counts.
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (record[0].isText() && record[0].textValue() == LevelPropKey)
                m_properties = PropertiesOfRecord(record, &field);
            field = 0;
        }
    } catch (const Failure& failure) {
        if (field == 0)
            throw Named(path, failure);
        throw Named(path, Failure(failure.code(), QStringLiteral("the level properties' %1: %2")
                                                      .arg(PropertyFieldName(field), ShownText(failure))));
    }
}

QByteArray LevelSource::block(int screen) {
    const std::vector<LevelIndex::Run>& runs = m_index.runsOf(ScreenKey(screen));
    if (runs.size() == 1)
        return m_file->bytes(runs.front().begin, runs.front().end).toByteArray();
    QByteArray bytes;
    for (const LevelIndex::Run& run : runs)
        bytes += m_file->bytes(run.begin, run.end).toByteArray();
    return bytes;
}

LevelSource::OtherRecords LevelSource::otherRecords() {
    OtherRecords records;
    for (const LevelIndex::Foreign& run : m_index.foreignRuns()) {
        QByteArray bytes = m_file->bytes(run.begin, run.end).toByteArray();
        // The file's last record may end with the file, without a line end; it reads the same with one.
        if (run.end == m_index.fileSize() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
            bytes += "\r\n";
        for (const char *p = bytes.constData(), *end = p + bytes.size(); p < end;) {
            if (*p == '\r' || *p == '\n') {
                ++p;
                continue;
            }
            RecordSpans spans;
            const char* next = ScanRecordInMemory(p, end, &spans);
            const QString key =
                next ? (spans.fields[0].quoted ? QStringLiteral("\"%1\"") : QStringLiteral("%1"))
                           .arg(QString::fromUtf8(spans.key()))
                     : QString();
            QByteArrayView record(p, next ? next : end);
            while (record.endsWith('\n') || record.endsWith('\r') || record.endsWith(','))
                record.chop(1);
            auto same =
                std::find_if(records.begin(), records.end(), [&](const auto& r) { return r.first == key; });
            if (same == records.end())
                same = records.insert(records.end(), {key, QByteArray()});
            same->second += record.toByteArray() + "\r\n";
            p = next ? next : end;
        }
    }
    return records;
}

const QByteArray* RecordsOf(const LevelSource::OtherRecords& records, const QString& key) {
    const auto found =
        std::find_if(records.begin(), records.end(), [&](const auto& r) { return r.first == key; });
    return found == records.end() ? nullptr : &found->second;
}

std::vector<QString> KeysOf(const LevelSource::OtherRecords& first, const LevelSource::OtherRecords& second) {
    std::vector<QString> keys;
    for (const auto* records : {&first, &second})
        for (const auto& [key, bytes] : *records)
            if (std::find(keys.begin(), keys.end(), key) == keys.end())
                keys.push_back(key);
    return keys;
}

Screen LevelSource::screen(int screen, const QByteArray& block) const {
    try {
        return Screen::decode(block, Integer(screen));
    } catch (const Failure& failure) {
        throw Named(m_path, Failure(failure.code(),
                                    QStringLiteral("screen %1: %2").arg(screen).arg(ShownText(failure))));
    }
}

FieldValue TileField(const TileState& tile, int field) {
    if (field == 2)
        return tile.colour;
    if (field == 3)
        return tile.picture;
    if (field <= 7)
        return FieldValue::number(tile.directions[size_t(field - 4)]);
    return tile.operands[size_t(field - 8)];
}

void SetTileField(TileState& tile, int field, const FieldValue& value) {
    if (field == 2)
        tile.colour = value;
    else if (field == 3)
        tile.picture = value;
    else if (field <= 7)
        tile.directions[size_t(field - 4)] = value.toInteger();
    else
        tile.operands[size_t(field - 8)] = value;
}

namespace {
// The five texts of the properties, in the order of the "LevelProp" record.
template <typename Properties> auto TextsOf(Properties& p) {
    return std::array{&p.name, &p.author, &p.dateMade, &p.description, &p.comments};
}
} // namespace

FieldValue PropertyField(const PropertyValues& properties, int field) {
    if (field <= 5)
        return FieldValue::text(*TextsOf(properties)[size_t(field - 1)]);
    return FieldValue::number(field == 6 ? properties.startTile : properties.lastScreen);
}

void SetPropertyField(PropertyValues& properties, int field, const FieldValue& value) {
    if (field <= 5)
        *TextsOf(properties)[size_t(field - 1)] = value.toText();
    else if (field == 6)
        properties.startTile = value.toInteger();
    else
        properties.lastScreen = value.toInteger();
}

QString TileFieldName(int field) {
    return QString::fromLatin1(FieldNameOf(TileRecord(), field));
}

QString PropertyFieldName(int field) {
    return QString::fromLatin1(FieldNameOf(PropertyRecord(), field));
}

QString LevelChange::fieldName() const {
    switch (kind) {
    case Kind::Property:
        return PropertyFieldName(field);
    case Kind::Tile:
        return TileFieldName(field);
    case Kind::Link:
        return QStringLiteral("link");
    default:
        return QString();
    }
}

QString LevelChange::line() const {
    const QString values = ShownValue(before) + QStringLiteral(" -> ") + ShownValue(after);
    switch (kind) {
    case Kind::Property:
        return QStringLiteral("level: %1 %2").arg(fieldName(), values);
    case Kind::Tile:
        return QStringLiteral("screen %1 tile %2: %3 %4").arg(screen).arg(place).arg(fieldName(), values);
    case Kind::Link:
        return QStringLiteral("screen %1 link %2: %3").arg(screen).arg(place).arg(values);
    case Kind::ScreenAdded:
        return QStringLiteral("screen %1: added").arg(screen);
    case Kind::ScreenRemoved:
        return QStringLiteral("screen %1: removed").arg(screen);
    case Kind::Records:
        return QStringLiteral("records %1: %2")
            .arg(PrintableText(key), before.isEmpty()  ? QStringLiteral("added")
                                     : after.isEmpty() ? QStringLiteral("removed")
                                                       : QStringLiteral("changed"));
    }
    return QString();
}

std::vector<LevelChange> DiffLevels(FileAccess& files, const QString& beforePath, const QString& afterPath) {
    LevelSource before(files, beforePath);
    LevelSource after(files, afterPath);
    std::vector<LevelChange> changes;
    for (int field = FirstPropertyField; field <= LastPropertyField; ++field) {
        FieldValue a = PropertyField(before.properties(), field);
        FieldValue b = PropertyField(after.properties(), field);
        if (a != b)
            changes.push_back({LevelChange::Kind::Property, -1, 0, field, std::move(a), std::move(b), {}});
    }
    const int last = std::max(before.lastScreen(), after.lastScreen());
    for (int s = 0; s <= last; ++s) {
        if (before.has(s) != after.has(s)) {
            changes.push_back(
                {after.has(s) ? LevelChange::Kind::ScreenAdded : LevelChange::Kind::ScreenRemoved,
                 s,
                 0,
                 0,
                 FieldValue(),
                 FieldValue(),
                 {}});
            continue;
        }
        const QByteArray a = before.block(s);
        const QByteArray b = after.block(s);
        if (a != b)
            DiffScreens(s, before.screen(s, a), after.screen(s, b), changes);
    }
    const LevelSource::OtherRecords was = before.otherRecords();
    const LevelSource::OtherRecords is = after.otherRecords();
    for (const QString& key : KeysOf(was, is)) {
        const QByteArray* a = RecordsOf(was, key);
        const QByteArray* b = RecordsOf(is, key);
        if (!a || !b || *a != *b)
            changes.push_back({LevelChange::Kind::Records, -1, 0, 0,
                               a ? FieldValue::text(QString::fromUtf8(*a)) : FieldValue(),
                               b ? FieldValue::text(QString::fromUtf8(*b)) : FieldValue(), key});
    }
    return changes;
}

namespace {
// A value whole, a text however long it is: a listing is compared line by line.
QString WholeValue(const FieldValue& value) {
    return value.isText() ? u'"' + PrintableText(value.textValue()) + u'"' : ShownValue(value);
}
} // namespace

void ListLevel(FileAccess& files, const QString& path, const std::function<void(const QString&)>& line) {
    LevelSource level(files, path);
    for (int field = FirstPropertyField; field <= LastPropertyField; ++field)
        line(PropertyFieldName(field) + QStringLiteral(": ") +
             WholeValue(PropertyField(level.properties(), field)));
    for (int s = 0; s <= level.lastScreen(); ++s) {
        const Screen screen = level.screen(s, level.block(s));
        QString links = QStringLiteral("screen %1 links:").arg(s);
        for (int k = 2; k <= 9; ++k)
            links += u' ' + QString::number(screen.links[size_t(k)]);
        line(links);
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            QString text = QStringLiteral("screen %1 tile %2:").arg(s).arg(t);
            for (int field = FirstTileField; field <= LastTileField; ++field)
                text += (field == FirstTileField ? QStringLiteral(" ") : QStringLiteral(", ")) +
                        TileFieldName(field) + u' ' + WholeValue(TileField(screen.tile(t), field));
            line(text);
        }
    }
}

} // namespace tavrin
