// Painting tiles with the brush, and showing a tile in the tile property window.
#include "form1.h"

namespace tavrin {

void Form1::Tile_Click(int) {}

void Form1::Command7_Click() {}

void Form1::Command8_Click() {}

void Form1::UsePropBox_Click() {}

void Form1::UseColor_Click() {}

void Form1::UsePicture_Click() {}

void Form1::UseApplyProp_Click() {}

} // namespace tavrin
