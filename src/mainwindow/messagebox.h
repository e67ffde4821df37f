#pragma once

namespace tavrin {

// Shows every message of the program in an information message box with a single OK button.
void InstallMessageBoxSink();

} // namespace tavrin
