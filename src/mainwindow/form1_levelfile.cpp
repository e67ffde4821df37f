// The level file commands of the main window: Load Level, Save Level, Pelmar Level and the level
// named on the command line.
#include "form1.h"

namespace tavrin {

void Form1::LoadCommandLineLevel() {}

void Form1::mnuLoad_Click() {}

void Form1::mnuSave_Click() {}

void Form1::MnuPLtemp_Click() {}

} // namespace tavrin
