#include "levelfixture.h"

#include <QDir>
#include <QFile>

LevelFixture::LevelFixture() {
    QDir(folder.path()).mkdir(QStringLiteral("Pics"));
    module = std::make_unique<tavrin::Module1>(&grid, folder.path());
    module->SetDefaults();
    module->PlaceWalkerOnStartTile();
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

QByteArray LevelFixture::readFile(const QString& name) const {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void LevelFixture::writePicture(const QString& name, QColor colour, int size) const {
    FakeGrid::solidImage(colour, size, size).save(path(QStringLiteral("Pics/") + name), "BMP");
}

QByteArray TileLine(int screen, int tile, const QByteArray& rest) {
    return "\"Screen" + QByteArray::number(screen) + "\"," + QByteArray::number(tile) + ',' + rest + "\r\n";
}

int CodeOfFailure(const std::function<void()>& action) {
    try {
        action();
    } catch (const tavrin::Failure& failure) {
        return failure.code();
    }
    return 0;
}
