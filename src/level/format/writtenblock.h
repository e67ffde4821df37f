#pragma once

#include "level/format/screenblock.h"

#include <QByteArray>
#include <array>
#include <bitset>
#include <memory>
#include <optional>
#include <vector>

namespace tavrin {

// A screen's side links; 2..9 are used.
using BlockLinks = std::array<Integer, 10>;

// The "ScreenInfo" record and the side records Side2 .. Side9 of screen `screen`'s block, written from
// its side links 2..9.
QByteArray EncodeLinkRecords(Integer screen, const BlockLinks& links);

// A screen's block as the editor writes it (ScanCopyableBlockAt), changed as bytes: an edit of many screens
// changes a few fields of each, and need not read every screen as a value and write it again. What bytes()
// gives is what reading the block, making the same changes on the screen and writing it gives.
class WrittenBlock {
public:
    // None when `bytes` are not such a block of `screen`, whole.
    static std::optional<WrittenBlock> scan(QByteArray bytes, Integer screen);
    // The same for bytes already found to be such a block (ScanCopyableBlock gave `tileBytes` and `links`
    // for these very bytes): its records are found again by their keys and not checked, and a record's
    // fields are split only when one of them is asked for or changed. None when the keys do not fall where
    // such a block has them.
    static std::optional<WrittenBlock> known(QByteArray bytes, Integer screen, qsizetype tileBytes,
                                             const BlockLinks& links);

    // Field `field` (0 the key .. 11) of the record of tile `tile`, as it stands.
    QByteArrayView field(int tile, int field) const;
    // A direction property (field 4..7), a number in its shortest form.
    Integer number(int tile, int field) const { return Integer(BlockFieldNumber(this->field(tile, field))); }
    const BlockLinks& links() const { return m_links; }

    // A direction property (field 4..7) of tile `tile` becomes `value`; the last change of a field holds.
    void setNumber(int tile, int field, Integer value);
    void setLinks(const BlockLinks& links) { m_links = links; }
    // The block with its changes, every record keyed as screen `screen`: the screen it is, or the number
    // it takes. Such a block again: `tileBytes`, when given, is told where its link records begin.
    QByteArray bytes(Integer screen, qsizetype* tileBytes = nullptr) const;

private:
    // The fields of tile `tile` split, when known() left them: a record that does not split as such a
    // block's do is a file changed since it was checked, and throws.
    void split(int tile) const;

    QByteArray m_bytes;
    std::unique_ptr<BlockFieldEnds> m_ends; // of a known block, only the key's and the last field's at first
    mutable std::bitset<301> m_split;       // by tile: its field ends are all there
    BlockLinks m_links = {};
    struct Change {
        int field; // tile * 12 + field
        Integer value;
    };
    // In the order they were made; bytes() takes them in the order of the fields.
    mutable std::vector<Change> m_changes;
};

} // namespace tavrin
