#pragma once

#include "level/core/failure.h"

#include <array>

namespace tavrin {

constexpr int FirstGridTile = 1;
constexpr int LastGridTile = 300;
constexpr int GridColumns = 20;
constexpr int GridRows = 15;

// An array with a fixed index range; every index is checked and one outside is failure 9.
template <typename T, int First, int Last> class CheckedArray {
public:
    static constexpr bool inRange(int index) { return index >= First && index <= Last; }

    T& operator()(int index) {
        check(index);
        return m_items[index - First];
    }
    const T& operator()(int index) const {
        check(index);
        return m_items[index - First];
    }
    void fill(const T& value) { m_items.fill(value); }
    bool operator==(const CheckedArray& other) const { return m_items == other.m_items; }

private:
    static void check(int index) {
        if (!inRange(index))
            throw Failure(ErrSubscript);
    }
    std::array<T, Last - First + 1> m_items{};
};

// Per-tile arrays: entry i belongs to Tile(i), 0..300.
template <typename T> using TileArray = CheckedArray<T, 0, LastGridTile>;

} // namespace tavrin
