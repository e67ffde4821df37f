#include "levelfixture.h"

#include "level/document/screen.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

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

QByteArray BmpHeader(int width, int height, int bits) {
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 colours = bits <= 8 ? 1u << bits : 0;
    const quint32 pixelsAt = 14 + 40 + 4 * colours;
    out.writeRawData("BM", 2);
    out << pixelsAt << quint32(0) << pixelsAt; // file size, reserved, offset
    out << quint32(40) << qint32(width) << qint32(height) << quint16(1) << quint16(bits); // the info header
    out << quint32(0) << quint32(0) << qint32(2835) << qint32(2835) << colours << quint32(0);
    for (quint32 i = 0; i < colours; ++i)
        out << quint32(0x00FF0000 | i);
    return header;
}

QByteArray TileLine(int screen, int tile, const QByteArray& rest) {
    return "\"Screen" + QByteArray::number(screen) + "\"," + QByteArray::number(tile) + ',' + rest + "\r\n";
}

QByteArray LinkRecords(int screen, const QList<int>& links, const QByteArray& info) {
    const QByteArray key = "\"Screen" + QByteArray::number(screen) + "\"";
    QByteArray bytes = key + ",\"ScreenInfo\"," + (info.isEmpty() ? "2,3,4,5,6,7,8,9" : info) + ",0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += key + ",\"Side" + QByteArray::number(k) + "\"," +
                 QByteArray::number(links.isEmpty() ? k : links[k - 2]) + ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

QByteArray NumberedTile(int screen, int tile, const QByteArray& rest) {
    return QByteArray::number(screen * 1000 + tile) + ',' + rest;
}

void WritePicture(const QString& path, QColor colour) {
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(SolidImage(colour, 4, 4).save(path, "BMP"));
}

QByteArray WithLink(QByteArray level, int screen, int link, int to) {
    const QByteArray side =
        "\"Screen" + QByteArray::number(screen) + "\",\"Side" + QByteArray::number(link) + "\",";
    const QByteArray info = "\"Screen" + QByteArray::number(screen) + "\",\"ScreenInfo\",";
    level.replace(side + QByteArray::number(link) + ',', side + QByteArray::number(to) + ',');
    // The summary record says the same, as the editor writes it.
    const qsizetype at = level.indexOf(info) + info.size() + (link - 2) * 2;
    return level.replace(at, 1, QByteArray::number(to));
}

QByteArray MergeSide3(const char* colour, const char* name, int link) {
    const QByteArray tile = NumberedTile(1, 5, "0,0,0,0,0,1,1,1,1").replace("1005", colour);
    return WithLink(NumberedLevel(3, {{1005, tile}}, name + QByteArray(",\"\",\"\",\"\",\"\",1,2")), 1, 4,
                    link);
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

QByteArray ThreeScreenLevel() {
    using namespace tavrin;
    QByteArray bytes;
    for (int n = 0; n <= 2; ++n) {
        Screen screen = Screen::fresh();
        for (int t = 1; t <= 300; ++t)
            screen.tile(t).colour = FieldValue::number(n * 1000 + t);
        screen.links[4] = Integer(n + 10);
        bytes += screen.encode(Integer(n));
    }
    return bytes + "\"LevelProp\",\"Three\",\"\",\"\",\"\",\"\",1,2,0,0,0,0\r\n";
}

void EditLink(tavrin::LevelDocument& document, int k, int to) {
    tavrin::SideLinks links = document.links();
    links[size_t(k)] = tavrin::Integer(to);
    document.editLinks(links);
}

void SetLastScreen(tavrin::LevelDocument& document, int last) {
    tavrin::PropertyValues properties = document.state().Properties();
    properties.lastScreen = tavrin::Integer(last);
    document.editProperties(properties);
}

void EditTile(tavrin::LevelDocument& document, int index,
              const std::function<void(tavrin::TileState&)>& change) {
    tavrin::TileState tile = document.tile(index);
    change(tile);
    document.editTile(index, tile);
}
