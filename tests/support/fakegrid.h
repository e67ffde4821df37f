#pragma once

#include "colour.h"
#include "tilegrid.h"

#include <QImage>
#include <QMap>
#include <QStringList>

// A screen of plain values standing in for the main window's picture boxes.
class FakeGrid : public tavrin::TileGrid {
public:
    struct Box {
        tavrin::Long colour = tavrin::SysWindowBackground;
        QImage picture;
        QString printed;
    };

    FakeGrid();

    bool hasBox(int index) const override;
    tavrin::Long backColour(int index) const override;
    void setBackColour(int index, tavrin::Long colour) override;
    QImage picture(int index) const override;
    void setPicture(int index, const QImage& picture) override;
    tavrin::Long brushColour() const override { return brush; }
    void showSideLink(int k, const QString& text) override { sideLinks[k] = text; }
    void printText(int index, const QString& text) override;

    // A small image of one colour, to tell pictures apart.
    static QImage solidImage(QColor colour, int width = 21, int height = 21);

    QMap<int, Box> boxes;
    tavrin::Long brush = tavrin::SysButtonFace;
    QMap<int, QString> sideLinks;
    int pictureLoads = 0;
};
