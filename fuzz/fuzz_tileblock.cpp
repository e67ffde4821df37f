// Any bytes as a pasted text of tile records: a block is read or refused with failure 321. A block read
// writes as records that read back as the same block, and two flips or four turns give it back.
#include "fuzzsupport.h"
#include "level/core/failure.h"
#include "level/tools/tileblock.h"

using namespace tavrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TileBlock block;
    try {
        block = TileBlock::fromRecords(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const Failure& failure) {
        if (failure.code() != ErrInvalidFormat)
            fuzz::fault("a text refused with an unexpected code");
        return 0;
    }
    if (block.isEmpty() || block.tileCount() < 1 || !block.fitsAt(block.origin()))
        fuzz::fault("a block read holds no tiles or lies off the grid");
    const Integer screen = Integer(size % 3 == 0 ? 0 : 32767);
    QByteArray records;
    try {
        records = block.toRecords(screen);
    } catch (const Failure&) {
        return 0; // a field too long to write
    }
    if (TileBlock::fromRecords(records) != block)
        fuzz::fault("a block written as records read back otherwise");
    if (block.flippedHorizontally().flippedHorizontally() != block ||
        block.flippedVertically().flippedVertically() != block ||
        block.rotatedClockwise().rotatedClockwise().rotatedClockwise().rotatedClockwise() != block)
        fuzz::fault("two flips or four turns changed a block");
    return 0;
}
