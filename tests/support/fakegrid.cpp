#include "fakegrid.h"

#include "failure.h"

FakeGrid::FakeGrid() {
    for (int i = 0; i <= 300; ++i)
        boxes[i] = Box{};
    boxes[0].colour = tavrin::Rgb(0, 192, 0);
    boxes[997] = Box{tavrin::Rgb(0, 192, 0), solidImage(Qt::blue, 21, 23), {}};
    boxes[998] = Box{tavrin::Rgb(192, 0, 0), QImage(), {}};
    boxes[999] = Box{tavrin::SysWindowBackground, solidImage(Qt::red), {}};
}

bool FakeGrid::hasBox(int index) const {
    return boxes.contains(index);
}

tavrin::Long FakeGrid::backColour(int index) const {
    if (!hasBox(index))
        throw tavrin::Failure(tavrin::ErrNoSuchControl);
    return boxes[index].colour;
}

void FakeGrid::setBackColour(int index, tavrin::Long colour) {
    if (!hasBox(index))
        throw tavrin::Failure(tavrin::ErrNoSuchControl);
    boxes[index].colour = colour;
    boxes[index].printed.clear();
}

QImage FakeGrid::picture(int index) const {
    if (!hasBox(index))
        throw tavrin::Failure(tavrin::ErrNoSuchControl);
    return boxes[index].picture;
}

void FakeGrid::setPicture(int index, const QImage& picture) {
    if (!hasBox(index))
        throw tavrin::Failure(tavrin::ErrNoSuchControl);
    boxes[index].picture = picture;
    boxes[index].printed.clear();
}

void FakeGrid::printText(int index, const QString& text) {
    if (!hasBox(index))
        throw tavrin::Failure(tavrin::ErrNoSuchControl);
    boxes[index].printed = text;
}

QImage FakeGrid::solidImage(QColor colour, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}
