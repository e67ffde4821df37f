#include "level/tools/mergeconflicts.h"

#include "level/core/messages.h"
#include "level/tools/leveldiff.h"
#include "level/tools/tileblock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>

namespace tavrin {

namespace {

using Kind = MergeConflict::Kind;

constexpr std::array<std::pair<Kind, const char*>, 6> KindNames = {{{Kind::Property, "property"},
                                                                    {Kind::Tile, "tile"},
                                                                    {Kind::Link, "link"},
                                                                    {Kind::Screen, "screen"},
                                                                    {Kind::Screens, "screens"},
                                                                    {Kind::Records, "records"}}};

// A field as the level JSON has it: a number, a string, or null for an empty field.
QJsonValue JsonOf(const FieldValue& value) {
    if (value.isNumber())
        return value.numberValue();
    if (value.isText())
        return value.textValue();
    return QJsonValue::Null;
}

std::optional<FieldValue> FieldOf(const QJsonValue& value) {
    if (value.isDouble())
        return FieldValue::number(value.toDouble());
    if (value.isString())
        return FieldValue::text(value.toString());
    if (value.isNull())
        return FieldValue();
    return std::nullopt;
}

QJsonObject ObjectOf(const MergeConflict& conflict) {
    QJsonObject object;
    for (const auto& [kind, name] : KindNames)
        if (kind == conflict.kind)
            object.insert(QStringLiteral("kind"), QLatin1String(name));
    object.insert(QStringLiteral("place"), conflict.place);
    if (conflict.screen >= 0)
        object.insert(QStringLiteral("screen"), conflict.screen);
    if (!conflict.isField()) {
        object.insert(QStringLiteral("ours"), conflict.ours);
        object.insert(QStringLiteral("theirs"), conflict.theirs);
        object.insert(QStringLiteral("base"), conflict.base);
        return object;
    }
    if (conflict.kind == Kind::Tile) {
        object.insert(QStringLiteral("tile"), conflict.tile);
        object.insert(QStringLiteral("column"), GridColumnOf(conflict.tile) + 1);
        object.insert(QStringLiteral("row"), GridRowOf(conflict.tile) + 1);
        object.insert(QStringLiteral("field"), TileFieldName(conflict.field));
    } else if (conflict.kind == Kind::Link) {
        object.insert(QStringLiteral("link"), conflict.link);
    } else {
        object.insert(QStringLiteral("field"), PropertyFieldName(conflict.field));
    }
    object.insert(QStringLiteral("ours"), JsonOf(conflict.oursValue));
    object.insert(QStringLiteral("theirs"), JsonOf(conflict.theirsValue));
    if (conflict.baseValue)
        object.insert(QStringLiteral("base"), JsonOf(*conflict.baseValue));
    return object;
}

// The field named `name` among `first`..`last`, or 0.
int FieldNamed(const QString& name, int first, int last, QString (*nameOf)(int)) {
    for (int field = first; field <= last; ++field)
        if (nameOf(field) == name)
            return field;
    return 0;
}

// The conflict `object` describes, or none when it does not describe one.
std::optional<MergeConflict> ConflictOf(const QJsonObject& object) {
    MergeConflict conflict;
    const QString kind = object.value(QStringLiteral("kind")).toString();
    const auto named = std::find_if(KindNames.begin(), KindNames.end(), [&kind](const auto& known) {
        return kind == QLatin1String(known.second);
    });
    if (named == KindNames.end() || !object.value(QStringLiteral("place")).isString())
        return std::nullopt;
    conflict.kind = named->first;
    conflict.place = object.value(QStringLiteral("place")).toString();
    conflict.screen = object.value(QStringLiteral("screen")).toInt(-1);
    const QJsonValue ours = object.value(QStringLiteral("ours"));
    const QJsonValue theirs = object.value(QStringLiteral("theirs"));
    const QJsonValue base = object.value(QStringLiteral("base"));
    if (!conflict.isField()) {
        if (!ours.isString() || !theirs.isString() || !base.isString())
            return std::nullopt;
        conflict.ours = ours.toString();
        conflict.theirs = theirs.toString();
        conflict.base = base.toString();
        return conflict;
    }
    const QString field = object.value(QStringLiteral("field")).toString();
    if (conflict.kind == Kind::Tile) {
        conflict.tile = object.value(QStringLiteral("tile")).toInt();
        conflict.field = FieldNamed(field, FirstTileField, LastTileField, TileFieldName);
        if (conflict.screen < 0 || conflict.tile < FirstGridTile || conflict.tile > LastGridTile ||
            !conflict.field)
            return std::nullopt;
    } else if (conflict.kind == Kind::Link) {
        conflict.link = object.value(QStringLiteral("link")).toInt();
        if (conflict.screen < 0 || conflict.link < 2 || conflict.link > 9)
            return std::nullopt;
    } else {
        conflict.field = FieldNamed(field, FirstPropertyField, LastPropertyField - 1, PropertyFieldName);
        if (!conflict.field)
            return std::nullopt;
    }
    const std::optional<FieldValue> oursValue = FieldOf(ours);
    const std::optional<FieldValue> theirsValue = FieldOf(theirs);
    if (!oursValue || !theirsValue)
        return std::nullopt;
    conflict.oursValue = *oursValue;
    conflict.theirsValue = *theirsValue;
    if (!base.isUndefined() && !(conflict.baseValue = FieldOf(base)))
        return std::nullopt;
    const int tileField = conflict.kind == Kind::Tile ? conflict.field : 0;
    conflict.ours = ShownTileValue(tileField, conflict.oursValue);
    conflict.theirs = ShownTileValue(tileField, conflict.theirsValue);
    conflict.base =
        conflict.baseValue ? ShownTileValue(tileField, *conflict.baseValue) : QStringLiteral("none");
    return conflict;
}

} // namespace

QString ConflictsFileOf(const QString& levelPath) {
    return levelPath + QStringLiteral(".conflicts.json");
}

void WriteConflictsFile(FileAccess& files, const QString& path, const QString& level,
                        const std::vector<MergeConflict>& conflicts) {
    QJsonArray list;
    for (const MergeConflict& conflict : conflicts)
        list.append(ObjectOf(conflict));
    const QJsonObject whole{{QStringLiteral("level"), level}, {QStringLiteral("conflicts"), list}};
    const QByteArray bytes = QJsonDocument(whole).toJson(QJsonDocument::Indented);
    const std::unique_ptr<AtomicFile> file = files.openWrite(path);
    if (file->write(bytes) != bytes.size())
        throw WriteFailure(*file);
    files.commit(*file);
}

std::vector<MergeConflict> ReadConflictsFile(FileAccess& files, const QString& path) {
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(file->readAll(), &error);
    const Failure damaged(ErrInvalidFormat, Text(Msg::ConflictsFileDamaged).arg(path));
    const QJsonValue list = json.object().value(QStringLiteral("conflicts"));
    if (error.error != QJsonParseError::NoError || !list.isArray())
        throw damaged;
    std::vector<MergeConflict> conflicts;
    for (const QJsonValue& entry : list.toArray()) {
        std::optional<MergeConflict> conflict = ConflictOf(entry.toObject());
        if (!conflict)
            throw damaged;
        conflicts.push_back(std::move(*conflict));
    }
    return conflicts;
}

} // namespace tavrin
