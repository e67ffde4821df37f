#include "level/format/writtenblock.h"

#include "level/core/failure.h"
#include "level/core/messages.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tavrin {

QByteArray EncodeLinkRecords(Integer screen, const BlockLinks& links) {
    const QByteArray quotedKey = "\"Screen" + QByteArray::number(screen) + "\",";
    QByteArray bytes = quotedKey + "\"ScreenInfo\"";
    for (int k = 2; k <= 9; ++k)
        bytes += ',' + QByteArray::number(links[size_t(k)]);
    bytes += ",0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += quotedKey + "\"Side" + QByteArray::number(k) + "\"," + QByteArray::number(links[size_t(k)]) +
                 ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

std::optional<WrittenBlock> WrittenBlock::scan(QByteArray bytes, Integer screen) {
    WrittenBlock block;
    block.m_ends = std::make_unique<BlockFieldEnds>();
    CopyableBlock scanned;
    if (bytes.isEmpty() || ScanCopyableBlockAt(bytes, screen, &scanned, block.m_ends.get()) != bytes.size())
        return std::nullopt;
    block.m_bytes = std::move(bytes);
    block.m_split.set();
    std::copy(std::begin(scanned.links), std::end(scanned.links), block.m_links.begin());
    return block;
}

// In such a block a line end followed by the key starts a record, and nowhere else: a text holds no
// quote, so a quote after a line end inside one would close it, and a closing quote is followed by a comma
// or a line end, never by a letter.
std::optional<WrittenBlock> WrittenBlock::known(QByteArray bytes, Integer screen, qsizetype tileBytes,
                                                const BlockLinks& links) {
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\",";
    const char* const data = bytes.constData();
    const char* const tilesEnd = data + tileBytes;
    const auto keyAt = [&key](const char* p) {
        return std::memcmp(p, key.constData(), size_t(key.size())) == 0;
    };
    if (tileBytes <= 0 || tileBytes + key.size() > bytes.size() || !keyAt(data) || !keyAt(tilesEnd))
        return std::nullopt;
    WrittenBlock block;
    block.m_ends = std::make_unique<BlockFieldEnds>();
    quint32* const ends = block.m_ends->data();
    const char* p = data;
    for (int tile = 1; tile <= 300; ++tile) {
        ends[(tile - 1) * 12] = quint32(p - data) + quint32(key.size()) - 1;
        const char* next = p + key.size();
        do {
            next = static_cast<const char*>(std::memchr(next, '\n', size_t(tilesEnd - next)));
            if (!next)
                return std::nullopt;
            ++next;
        } while (next < tilesEnd && !keyAt(next));
        if ((next == tilesEnd) != (tile == 300) || next[-2] != '\r')
            return std::nullopt;
        ends[(tile - 1) * 12 + 11] = quint32(next - data) - 2;
        p = next;
    }
    block.m_bytes = std::move(bytes);
    block.m_links = links;
    return block;
}

void WrittenBlock::split(int tile) const {
    if (m_split[size_t(tile)])
        return;
    quint32* const ends = m_ends->data() + (tile - 1) * 12;
    const char* const data = m_bytes.constData();
    const char* const begin = data + ends[0] + 1; // past the key and its comma
    const char* const end = data + ends[11] + 2;  // past the record's CR LF
    std::array<QByteArrayView, 11> fields;
    if (SplitRecord(begin, end, fields) != end)
        throw Failure(ErrInvalidFormat, Text(Msg::ChangedWhileRead));
    for (size_t i = 0; i < fields.size(); ++i)
        ends[i + 1] = quint32(fields[i].data() + fields[i].size() - data);
    m_split.set(size_t(tile));
}

// Each field ends at its comma, the last at its CR; the next record starts past the LF.
QByteArrayView WrittenBlock::field(int tile, int field) const {
    split(tile);
    const quint32* const ends = m_ends->data() + (tile - 1) * 12;
    const quint32 begin = field > 0 ? ends[field - 1] + 1 : tile > 1 ? ends[-1] + 2 : 0;
    return QByteArrayView(m_bytes).sliced(begin, ends[field] - begin);
}

void WrittenBlock::setNumber(int tile, int field, Integer value) {
    split(tile);
    m_changes.push_back({tile * 12 + field, value});
}

QByteArray WrittenBlock::bytes(Integer screen, qsizetype* tileBytes) const {
    // The changes by field, the last of each field alone.
    std::stable_sort(m_changes.begin(), m_changes.end(),
                     [](const Change& a, const Change& b) { return a.field < b.field; });
    m_changes.erase(m_changes.begin(),
                    std::unique(m_changes.rbegin(), m_changes.rend(), [](const Change& a, const Change& b) {
                        return a.field == b.field;
                    }).base());
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\",";
    const quint32 oldKey = (*m_ends)[0] + 1;
    // A number of an Integer takes at most 6 bytes.
    QByteArray out(m_bytes.size() + 300 * (key.size() - qsizetype(oldKey)) + qsizetype(m_changes.size()) * 6,
                   Qt::Uninitialized);
    char* to = out.data();
    const auto put = [&to](const char* from, size_t size) {
        std::memcpy(to, from, size);
        to += size;
    };
    const char* const data = m_bytes.constData();
    auto change = m_changes.cbegin();
    for (int tile = 1; tile <= 300; ++tile) {
        const quint32* const ends = m_ends->data() + (tile - 1) * 12;
        put(key.constData(), size_t(key.size()));
        quint32 from = ends[0] + 1; // the first field after the key
        for (; change != m_changes.cend() && change->field < (tile + 1) * 12; ++change) {
            const int field = change->field - tile * 12;
            const quint32 begin = ends[field - 1] + 1;
            put(data + from, begin - from);
            to = std::to_chars(to, to + 6, change->value).ptr;
            from = ends[field];
        }
        put(data + from, ends[11] + 2 - from); // to the end of the record, its CR LF with it
    }
    out.truncate(to - out.constData());
    if (tileBytes)
        *tileBytes = out.size();
    out += EncodeLinkRecords(screen, m_links);
    return out;
}

} // namespace tavrin
