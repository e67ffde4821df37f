#include "level/document/scratchstage.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>

namespace tavrin {

ScratchStage::ScratchStage(Module1& level) : m_level(level) {
    QTemporaryDir folder(
        QDir(level.Sessions().scratchFolder()).filePath(QStringLiteral(".tavrin-stage-XXXXXX")));
    if (!folder.isValid())
        throw WriteFailure(folder.path(), errno, false);
    folder.setAutoRemove(false);
    m_folder = folder.path();
}

ScratchStage::~ScratchStage() {
    QDir(m_folder).removeRecursively();
}

void ScratchStage::write(Integer screen, const Screen& value) {
    write(screen, value.encode(screen), std::nullopt);
}

void ScratchStage::write(Integer screen, const WrittenBlock& block) {
    ScratchFiles::KnownBlock known;
    const QByteArray bytes = block.bytes(screen, &known.tileBytes);
    known.links = block.links();
    write(screen, bytes, known);
}

void ScratchStage::write(Integer screen, const QByteArray& bytes,
                         std::optional<ScratchFiles::KnownBlock> block) {
    const QString path = QDir(m_folder).filePath(QString::number(screen));
    const auto file = m_level.Files()->openWrite(path, Links::New);
    file->setDeferSync(true);
    RecordWriter(file.get()).writeRaw(bytes);
    m_level.Files()->commit(*file);
    m_written.push_back(Written{screen, path, file->identity().value_or(FileIdentity()), std::move(block)});
}

void ScratchStage::drop(Integer screen) {
    m_dropped.push_back(screen);
}

void ScratchStage::commit(Integer lastScreen) {
    const QHash<Integer, ScratchFiles::File> before = m_level.m_scratch.byScreen();
    std::vector<QString> placed;
    try {
        for (const Written& staged : m_written) {
            // Screen<n>.tmp when nothing stands there (the rename replaces nothing), else a free name.
            QString path = m_level.m_scratch.plainName(staged.screen);
            bool moved = m_level.Files()->renameToNew(staged.path, path);
            if (!moved && errno == EEXIST) {
                path = m_level.m_scratch.freeName(staged.screen);
                moved = m_level.Files()->renameToNew(staged.path, path);
            }
            if (!moved)
                throw WriteFailure(path, errno, QFileInfo::exists(path));
            placed.push_back(path);
            m_level.m_scratch.take(staged.screen, path, staged.identity,
                                   staged.block
                                       ? ScratchFiles::knownAt(path, staged.identity, staged.block->tileBytes,
                                                               staged.block->links)
                                       : std::nullopt);
        }
        for (const Integer screen : m_dropped)
            m_level.m_scratch.forget(screen);
        m_level.SyncScratchFiles();
        m_level.writeSession(true, lastScreen);
    } catch (...) {
        for (const QString& path : placed)
            m_level.Files()->remove(path);
        m_level.m_scratch.restore(before);
        throw;
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto& now = m_level.m_scratch.byScreen();
        const auto here = now.constFind(it.key());
        if ((here == now.constEnd() || here->path != it->path) &&
            RegularFileIdentity(it->path) == it->identity)
            m_level.Files()->remove(it->path);
    }
    m_written.clear();
    m_dropped.clear();
}

} // namespace tavrin
