// The display styles of the grid, the test commands and the two property dialogs.
#include "form1.h"

namespace tavrin {

void Form1::mnuScreenProp_Click() {}

void Form1::mnuLevelProp_Click() {}

void Form1::Command2_Click() {}

void Form1::Command3_Click() {}

void Form1::Command4_Click() {}

void Form1::Command5_Click() {}

void Form1::Command6_Click() {}

void Form1::Command9_Click() {}

void Form1::Command10_Click() {}

} // namespace tavrin
