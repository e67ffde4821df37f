#pragma once

#include "colour.h"
#include "tilegrid.h"

#include <QImage>

namespace tavrin {

// A grid that only keeps values, like the fake grid of the tests.
class ValueGrid : public TileGrid {
public:
    bool hasBox(int index) const override {
        return (index >= 0 && index <= 300) || (index >= 997 && index <= 999);
    }
    Long backColour(int index) const override { return colours[slot(index)]; }
    void setBackColour(int index, Long colour) override { colours[slot(index)] = colour; }
    QImage picture(int index) const override { return pictures[slot(index)]; }
    void setPicture(int index, const QImage& picture) override { pictures[slot(index)] = picture; }
    Long brushColour() const override { return SysButtonFace; }
    void showSideLink(int, const QString&) override {}
    void printText(int, const QString&) override {}

private:
    static size_t slot(int index) { return index <= 300 ? size_t(index) : size_t(index - 997 + 301); }
    Long colours[304] = {};
    QImage pictures[304];
};

} // namespace tavrin
