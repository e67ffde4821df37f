#pragma once

class QString;
class QWidget;

namespace tavrin {

// What the main window's controllers ask of the window they work in: where their dialogs and progress
// stand, and the status bar's word on what a command did.
class WindowView {
public:
    virtual QWidget* dialogParent() = 0;
    // Tells for a few seconds what a command just did.
    virtual void confirm(const QString& text) = 0;

protected:
    ~WindowView() = default;
};

} // namespace tavrin
