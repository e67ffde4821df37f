// Moving between screens: Go To Screen, the four Go buttons and the walk of the marker with the arrow
// keys.
#include "form1.h"

namespace tavrin {

void Form1::Form_KeyDown(int, int) {}

void Form1::Command1_Click() {}

void Form1::Command11_Click(int) {}

} // namespace tavrin
