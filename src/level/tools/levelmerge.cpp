#include "level/tools/levelmerge.h"

#include "level/core/colour.h"
#include "level/core/messages.h"
#include "level/format/record.h"
#include "level/format/screenblock.h"
#include "level/tools/leveldiff.h"
#include "level/tools/screenmatch.h"
#include "level/tools/tileblock.h"

#include <cmath>
#include <limits>
#include <optional>

namespace tavrin {

namespace {

QString Shown(const std::optional<FieldValue>& value, int tileField) {
    return value ? ShownTileValue(tileField, *value) : QStringLiteral("none");
}

// The colour field of a tile record.
constexpr int ColourField = 2;

QString PropertyPlace(int field) {
    const QString name = PropertyFieldName(field);
    return name.startsWith(QLatin1String("level")) ? name : QStringLiteral("level ") + name;
}

// A conflict of more than a field, told in words alone.
MergeConflict Whole(MergeConflict::Kind kind, QString place, QString ours, QString theirs, QString base,
                    int screen = -1) {
    MergeConflict conflict;
    conflict.kind = kind;
    conflict.place = std::move(place);
    conflict.ours = std::move(ours);
    conflict.theirs = std::move(theirs);
    conflict.base = std::move(base);
    conflict.screen = screen;
    return conflict;
}

// The values a merge takes, and the conflicts it met on the way.
class Merger {
public:
    explicit Merger(MergeSide side) : m_side(side) {}

    MergeSide side() const { return m_side; }
    std::vector<MergeConflict>& conflicts() { return m_conflicts; }

    // The value of the field `conflict` names (its kind and place), `base` null when there is none (both
    // sides added it).
    FieldValue value(MergeConflict conflict, const FieldValue* base, const FieldValue& ours,
                     const FieldValue& theirs) {
        if (ours == theirs || (base && *base == theirs))
            return ours;
        if (base && *base == ours)
            return theirs;
        const int tileField = conflict.kind == MergeConflict::Kind::Tile ? conflict.field : 0;
        conflict.oursValue = ours;
        conflict.theirsValue = theirs;
        if (base)
            conflict.baseValue = *base;
        conflict.ours = ShownTileValue(tileField, ours);
        conflict.theirs = ShownTileValue(tileField, theirs);
        conflict.base = Shown(conflict.baseValue, tileField);
        m_conflicts.push_back(std::move(conflict));
        return m_side == MergeSide::Ours ? ours : theirs;
    }

    Screen screen(int number, const Screen* base, const Screen& ours, const Screen& theirs) {
        Screen merged = ours;
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            const TileState& o = ours.tile(t);
            const TileState& th = theirs.tile(t);
            if (o == th || (base && base->tile(t) == th))
                continue;
            if (base && base->tile(t) == o) {
                merged.tile(t) = th;
                continue;
            }
            for (int field = FirstTileField; field <= LastTileField; ++field) {
                const FieldValue b = base ? TileField(base->tile(t), field) : FieldValue();
                MergeConflict conflict;
                conflict.kind = MergeConflict::Kind::Tile;
                conflict.place =
                    QStringLiteral("screen %1 %2 %3").arg(number).arg(TilePlace(t), TileFieldName(field));
                conflict.screen = number;
                conflict.tile = t;
                conflict.field = field;
                SetTileField(merged.tile(t), field,
                             value(conflict, base ? &b : nullptr, TileField(o, field), TileField(th, field)));
            }
        }
        for (int k = 2; k <= 9; ++k) {
            const size_t link = size_t(k);
            const FieldValue b = FieldValue::number(base ? base->links[link] : 0);
            MergeConflict conflict;
            conflict.kind = MergeConflict::Kind::Link;
            conflict.place = QStringLiteral("screen %1 link %2").arg(number).arg(k);
            conflict.screen = number;
            conflict.link = k;
            merged.links[link] = value(conflict, base ? &b : nullptr, FieldValue::number(ours.links[link]),
                                       FieldValue::number(theirs.links[link]))
                                     .toInteger();
        }
        return merged;
    }

private:
    MergeSide m_side;
    std::vector<MergeConflict> m_conflicts;
};

// A level as the merge reads it: a level file as it stands, or with its screens renumbered as the other
// side renumbered them, every side link following, as the editor's Screen menu would have done.
class MergeInput {
public:
    explicit MergeInput(LevelSource& level, std::optional<ScreenRenumbering> renumbering = std::nullopt)
        : m_level(level), m_renumbering(renumbering) {}

    const PropertyValues& properties() const { return m_level.properties(); }
    int lastScreen() const { return m_renumbering ? m_renumbering->lastAfter() : m_level.lastScreen(); }
    bool has(int screen) const { return screen >= 0 && screen <= lastScreen(); }
    QByteArray block(int screen) {
        if (!m_renumbering)
            return m_level.block(screen);
        const int from = m_renumbering->before(screen);
        Screen value = m_level.screen(from, m_level.block(from));
        value.links = m_renumbering->linksAfter(value.links);
        return value.encode(Integer(screen));
    }
    Screen screen(int screen, const QByteArray& block) const { return m_level.screen(screen, block); }
    LevelSource::OtherRecords otherRecords() { return m_level.otherRecords(); }

private:
    LevelSource& m_level;
    std::optional<ScreenRenumbering> m_renumbering;
};

// Writes screen `number` from the records `block` of `source`: as they stand when the editor would write
// them so, else as the screen they give.
void WriteBlock(RecordWriter& writer, MergeInput& source, int number, const QByteArray& block) {
    CopyableBlock copyable;
    if (ScanCopyableBlock(block, Integer(number), &copyable) && copyable.verbatim())
        writer.writeRaw(block);
    else
        writer.writeRaw(source.screen(number, block).encode(Integer(number)));
}

class LevelMerge {
public:
    LevelMerge(MergeInput base, MergeInput ours, MergeInput theirs, QIODevice* out, MergeSide side)
        : m_base(base), m_ours(ours), m_theirs(theirs), m_writer(out), m_merger(side) {}

    std::vector<MergeConflict> run() {
        PropertyValues properties = m_ours.properties();
        for (int field = FirstPropertyField; field < LastPropertyField; ++field) {
            const FieldValue base = PropertyField(m_base.properties(), field);
            MergeConflict conflict;
            conflict.kind = MergeConflict::Kind::Property;
            conflict.place = PropertyPlace(field);
            conflict.field = field;
            SetPropertyField(properties, field,
                             m_merger.value(conflict, &base, PropertyField(m_ours.properties(), field),
                                            PropertyField(m_theirs.properties(), field)));
        }
        const int top = std::max({m_base.lastScreen(), m_ours.lastScreen(), m_theirs.lastScreen()});
        for (int s = 0; s <= top; ++s) {
            if (!keeps(s))
                m_gaps.push_back(s);
        }
        properties.lastScreen = std::max(m_last, 0);
        // Records of no screen are the user's data too, merged key by key, before the level properties.
        mergeOtherRecords();
        const Record record{FieldValue::text(QStringLiteral("LevelProp")),
                            FieldValue::text(properties.name),
                            FieldValue::text(properties.author),
                            FieldValue::text(properties.dateMade),
                            FieldValue::text(properties.description),
                            FieldValue::text(properties.comments),
                            FieldValue::number(properties.startTile),
                            FieldValue::number(properties.lastScreen),
                            FieldValue::number(0),
                            FieldValue::number(0),
                            FieldValue::number(0),
                            FieldValue::number(0)};
        RecordWriter::CheckWritable(record);
        m_writer.write(record);
        return std::move(m_merger.conflicts());
    }

private:
    // The records of each key as a side changed them, OURS's keys first; a key whose records both sides
    // changed, each in its own way, is a conflict.
    void mergeOtherRecords() {
        const LevelSource::OtherRecords base = m_base.otherRecords();
        const LevelSource::OtherRecords ours = m_ours.otherRecords();
        const LevelSource::OtherRecords theirs = m_theirs.otherRecords();
        const auto shown = [](const QByteArray* side, const QByteArray* base) {
            return !side   ? QStringLiteral("removed")
                   : !base ? QStringLiteral("added")
                           : QStringLiteral("changed");
        };
        for (const QString& key : KeysOf(ours, theirs)) {
            const QByteArray* b = RecordsOf(base, key);
            const QByteArray* o = RecordsOf(ours, key);
            const QByteArray* t = RecordsOf(theirs, key);
            const auto same = [](const QByteArray* x, const QByteArray* y) {
                return x == y || (x && y && *x == *y);
            };
            const QByteArray* kept = o;
            if (same(o, t) || same(t, b))
                kept = o;
            else if (same(o, b))
                kept = t;
            else {
                m_merger.conflicts().push_back(
                    Whole(MergeConflict::Kind::Records, QStringLiteral("records %1").arg(PrintableText(key)),
                          shown(o, b), shown(t, b), b ? QStringLiteral("present") : QStringLiteral("none")));
                kept = m_merger.side() == MergeSide::Ours ? o : t;
            }
            if (kept)
                m_writer.writeRaw(*kept);
        }
    }

    // Writes screen `s` from `block` of `source`, after the screens below it that were to go: a screen
    // below one that stays is still one of the level's screens, and keeps what a side has of it.
    void put(MergeInput& source, int s, const QByteArray& block) {
        fillGaps();
        WriteBlock(m_writer, source, s, block);
        m_last = s;
    }

    void put(int s, const Screen& screen) {
        fillGaps();
        m_writer.writeRaw(screen.encode(Integer(s)));
        m_last = s;
    }

    void fillGaps() {
        for (const int gap : m_gaps) {
            MergeInput& source = m_ours.has(gap) ? m_ours : m_theirs.has(gap) ? m_theirs : m_base;
            WriteBlock(m_writer, source, gap, source.block(gap));
        }
        m_gaps.clear();
    }

    // Writes screen `s` as the merge has it and returns true, or returns false when it goes.
    bool keeps(int s) {
        const bool inBase = m_base.has(s);
        const bool inOurs = m_ours.has(s);
        const bool inTheirs = m_theirs.has(s);
        if (inOurs && inTheirs) {
            writeBoth(s, inBase);
            return true;
        }
        if (!inOurs && !inTheirs)
            return false;
        MergeInput& kept = inOurs ? m_ours : m_theirs;
        const QByteArray block = kept.block(s);
        if (!inBase) {
            put(kept, s, block);
            return true;
        }
        const QByteArray baseBlock = m_base.block(s);
        if (block == baseBlock || kept.screen(s, block) == m_base.screen(s, baseBlock))
            return false; // removed on one side, as it was on the other
        m_merger.conflicts().push_back(Whole(MergeConflict::Kind::Screen, QStringLiteral("screen %1").arg(s),
                                             inOurs ? QStringLiteral("edited") : QStringLiteral("removed"),
                                             inTheirs ? QStringLiteral("edited") : QStringLiteral("removed"),
                                             QStringLiteral("present"), s));
        if ((m_merger.side() == MergeSide::Ours) != inOurs)
            return false;
        put(kept, s, block);
        return true;
    }

    void writeBoth(int s, bool inBase) {
        const QByteArray ours = m_ours.block(s);
        const QByteArray theirs = m_theirs.block(s);
        const QByteArray base = inBase ? m_base.block(s) : QByteArray();
        if (ours == theirs || (inBase && theirs == base))
            return put(m_ours, s, ours);
        if (inBase && ours == base)
            return put(m_theirs, s, theirs);
        const Screen baseScreen = inBase ? m_base.screen(s, base) : Screen();
        const Screen merged = m_merger.screen(s, inBase ? &baseScreen : nullptr, m_ours.screen(s, ours),
                                              m_theirs.screen(s, theirs));
        put(s, merged);
    }

    MergeInput m_base;
    MergeInput m_ours;
    MergeInput m_theirs;
    RecordWriter m_writer;
    Merger m_merger;
    std::vector<int> m_gaps;
    int m_last = -1;
};

} // namespace

QString TilePlace(int tile) {
    return QStringLiteral("tile %1 (col %2, row %3)")
        .arg(tile)
        .arg(GridColumnOf(tile) + 1)
        .arg(GridRowOf(tile) + 1);
}

QString ShownTileValue(int field, const FieldValue& value) {
    QString shown = ShownValue(value);
    if (field != ColourField || value.isEmpty() || !value.isNumeric())
        return shown;
    const double number = value.toNumber();
    if (number != std::floor(number) || number < std::numeric_limits<Long>::min() ||
        number > std::numeric_limits<Long>::max())
        return shown;
    const QColor colour = ColourToQColor(Long(number));
    return colour.isValid() ? shown + QStringLiteral(" (%1)").arg(colour.name().toUpper()) : shown;
}

QString MergeConflict::line() const {
    return QStringLiteral("%1: ours %2, theirs %3, base %4").arg(place, ours, theirs, base);
}

std::vector<MergeConflict> MergeLevels(FileAccess& files, const QString& base, const QString& ours,
                                       const QString& theirs, QIODevice* out, MergeSide side) {
    LevelSource baseLevel(files, base);
    LevelSource oursLevel(files, ours);
    LevelSource theirsLevel(files, theirs);
    const FoundRenumbering oursFound = FindRenumbering(baseLevel, oursLevel);
    const FoundRenumbering theirsFound = FindRenumbering(baseLevel, theirsLevel);
    using Kind = FoundRenumbering::Kind;
    if (oursFound.kind == Kind::None && theirsFound.kind == Kind::None)
        return LevelMerge(MergeInput(baseLevel), MergeInput(oursLevel), MergeInput(theirsLevel), out, side)
            .run();
    // One side renumbered the screens: the base and the other side are read renumbered the same way, so
    // that each change lands on the screen it was made on. The other side must have every screen that
    // renumbering moves, and must have left alone the screen it deletes.
    const bool oursRenumbered = oursFound.kind == Kind::One && theirsFound.kind != Kind::Unclear;
    LevelSource& other = oursRenumbered ? theirsLevel : oursLevel;
    const FoundRenumbering& found = oursRenumbered ? oursFound : theirsFound;
    ScreenRenumbering onOther = found.renumbering;
    onOther.last = other.lastScreen();
    std::optional<MergeConflict> conflict;
    const bool sameOnBoth = oursFound.sameAs(theirsFound);
    if (oursFound.kind == Kind::Unclear || theirsFound.kind == Kind::Unclear ||
        (oursFound.kind == Kind::One && theirsFound.kind == Kind::One && !sameOnBoth) ||
        (!sameOnBoth && onOther.refusal()))
        conflict = Whole(MergeConflict::Kind::Screens, Text(Msg::MergeScreensPlace), oursFound.text(),
                         theirsFound.text(), Text(Msg::MergeScreensOfBase).arg(baseLevel.lastScreen()));
    else if (const int d = found.renumbering.from;
             !sameOnBoth && found.renumbering.kind == ScreenRenumbering::Delete && other.has(d) &&
             other.screen(d, other.block(d)) != baseLevel.screen(d, baseLevel.block(d)))
        conflict = Whole(MergeConflict::Kind::Screen, QStringLiteral("screen %1").arg(d),
                         oursRenumbered ? found.text() : Text(Msg::MergeScreenEdited),
                         oursRenumbered ? Text(Msg::MergeScreenEdited) : found.text(),
                         Text(Msg::MergeScreenPresent), d);
    if (conflict) {
        // Which screen is which cannot be told, or one side's change would be lost: the level of the
        // side that settles conflicts is taken whole.
        LevelSource& taken = side == MergeSide::Ours ? oursLevel : theirsLevel;
        LevelMerge(MergeInput(taken), MergeInput(taken), MergeInput(taken), out, side).run();
        return {*conflict};
    }
    return LevelMerge(MergeInput(baseLevel, found.renumbering),
                      oursRenumbered || sameOnBoth ? MergeInput(oursLevel) : MergeInput(oursLevel, onOther),
                      !oursRenumbered || sameOnBoth ? MergeInput(theirsLevel)
                                                    : MergeInput(theirsLevel, onOther),
                      out, side)
        .run();
}

} // namespace tavrin
