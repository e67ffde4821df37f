#pragma once

#include "mainwindow/windowview.h"

class QImage;

namespace tavrin {

class FieldValue;

// What a press on the grid does: paint with the brush, build walls, make exits, select tiles or stamp the
// clipboard's tiles.
enum class GridTool { Paint, Wall, Exit, Select, Stamp };

// What the selection asks of the main window besides a controller's needs: the grid tool, and the
// pictures the tiles it holds show.
class SelectionView : public virtual WindowView {
public:
    virtual GridTool gridTool() const = 0;
    virtual void setGridTool(GridTool tool) = 0;
    // The picture a reference shows, as the grid draws it.
    virtual QImage referencedPicture(const FieldValue& reference) const = 0;

protected:
    ~SelectionView() = default;
};

} // namespace tavrin
