#include "levelfixture.h"

#include <QDir>
#include <QFile>

LevelFixture::LevelFixture() {
    QDir(folder.path()).mkdir(QStringLiteral("Pics"));
    document = std::make_unique<tavrin::LevelDocument>(folder.path());
    module = &document->state();
    m_previousSink = tavrin::SetMessageSink(
        [this](const QString& title, const QString& text) { messages << title + u'|' + text; });
}

LevelFixture::~LevelFixture() {
    tavrin::SetMessageSink(std::move(m_previousSink));
}

void LevelFixture::writeFile(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void LevelFixture::load(const QString& name, const QByteArray& bytes) {
    writeFile(name, bytes);
    document->loadLevel(path(name), QStringLiteral("test"));
}

std::optional<tavrin::Failure> LevelFixture::saveTo(const QString& path) {
    const std::unique_ptr<tavrin::LevelSave> save = document->beginSave(path);
    while (!save->screensWritten())
        save->writeScreen();
    return save->finish();
}

void LevelFixture::paintColour(int index, tavrin::Long colour) {
    tavrin::TileState tile = document->tile(index);
    tile.colour = tavrin::FieldValue::number(colour);
    document->editTile(index, tile);
}

QByteArray LevelFixture::readFile(const QString& name) const {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void LevelFixture::writePicture(const QString& name, QColor colour, int size) const {
    SolidImage(colour, size, size).save(path(QStringLiteral("Pics/") + name), "BMP");
}

QImage SolidImage(QColor colour, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray TileLine(int screen, int tile, const QByteArray& rest) {
    return "\"Screen" + QByteArray::number(screen) + "\"," + QByteArray::number(tile) + ',' + rest + "\r\n";
}

QByteArray LinkRecords(int screen) {
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\"";
    QByteArray bytes = key + ",\"ScreenInfo\",2,3,4,5,6,7,8,9,0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += key + ",\"Side" + QByteArray::number(k) + "\"," + QByteArray::number(k) +
                 ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

QByteArray NumberedLevel(int screens, const QMap<int, QByteArray>& changes, const QByteArray& properties) {
    QByteArray bytes;
    for (int n = 0; n < screens; ++n) {
        for (int t = 1; t <= 300; ++t)
            bytes += TileLine(
                n, t, changes.value(n * 1000 + t, QByteArray::number(n * 1000 + t) + ",0,0,0,0,0,1,1,1,1"));
        bytes += LinkRecords(n);
    }
    const QByteArray nameless = "\"\",\"\",\"\",\"\",\"\",1," + QByteArray::number(screens - 1);
    return bytes + "\"LevelProp\"," + (properties.isEmpty() ? nameless : properties) + ",0,0,0,0\r\n";
}

int CodeOfFailure(const std::function<void()>& action) {
    try {
        action();
    } catch (const tavrin::Failure& failure) {
        return failure.code();
    }
    return 0;
}
