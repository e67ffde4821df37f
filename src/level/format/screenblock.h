#pragma once

#include "numbers.h"

#include <QByteArrayView>
#include <vector>

namespace tavrin {

// What a save needs of a screen's block to copy it instead of loading the screen and writing it again.
struct CopyableBlock {
    qsizetype tileBytes = 0;           // the 300 tile records take the bytes up to here
    Integer links[10] = {};            // the side links 2..9 that loading the block gives
    std::vector<QByteArrayView> files; // the picture files that its tiles name
};

// True when `bytes` hold screen `screen`'s block as the editor writes it: the 300 tile records in order,
// numbers in their shortest form, then the "ScreenInfo" record and the eight side records, and nothing
// else. Loading such tile records and writing them again gives the same bytes; the link records are
// written again from `links`, since loading takes the links from the side records alone.
//
// Such a block names pictures only by file or by the boxes that never change while a level is saved
// (0, 997 and 999); a block naming another box is not taken.
bool ScanCopyableBlock(QByteArrayView bytes, Integer screen, CopyableBlock* block);
// The same test on the block that `bytes` begin with: the length of that block, or -1 when they begin
// with no such block (or with only a part of one).
qsizetype ScanCopyableBlockAt(QByteArrayView bytes, Integer screen, CopyableBlock* block);

} // namespace tavrin
