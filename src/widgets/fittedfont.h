#pragma once

class QWidget;

namespace tavrin {

// The dialogs are laid out for a small 8-point sans-serif font. A wider font would cut their texts, so
// the narrowest of the usual families is taken and it steps down in half points until every label and
// button of the window shows its text whole.
void FitFontToLayout(QWidget* window);

} // namespace tavrin
