#include "level/format/writtenblock.h"

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
    std::copy(std::begin(scanned.links), std::end(scanned.links), block.m_links.begin());
    return block;
}

// Each field ends at its comma, the last at its CR; the next record starts past the LF.
QByteArrayView WrittenBlock::field(int tile, int field) const {
    const quint32* const ends = m_ends->data() + (tile - 1) * 12;
    const quint32 begin = field > 0 ? ends[field - 1] + 1 : tile > 1 ? ends[-1] + 2 : 0;
    return QByteArrayView(m_bytes).sliced(begin, ends[field] - begin);
}

void WrittenBlock::setField(int tile, int field, const QByteArray& text) {
    m_fields[tile * 12 + field] = text;
}

QByteArray WrittenBlock::bytes(Integer screen) const {
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\",";
    QByteArray out;
    out.reserve(m_bytes.size() + 300 * 4 + 512);
    const char* const data = m_bytes.constData();
    auto change = m_fields.cbegin();
    for (int tile = 1; tile <= 300; ++tile) {
        const quint32* const ends = m_ends->data() + (tile - 1) * 12;
        out += key;
        quint32 from = ends[0] + 1; // the first field after the key
        for (; change != m_fields.cend() && change->first < (tile + 1) * 12; ++change) {
            const int field = change->first - tile * 12;
            const quint32 begin = ends[field - 1] + 1;
            out.append(data + from, begin - from);
            out += change->second;
            from = ends[field];
        }
        out.append(data + from, ends[11] + 2 - from); // to the end of the record, its CR LF with it
    }
    out += EncodeLinkRecords(screen, m_links);
    return out;
}

} // namespace tavrin
