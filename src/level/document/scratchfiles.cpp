#include "level/document/scratchfiles.h"

#include "level/document/module1_fields.h"
#include "level/format/record.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

QString ScratchFiles::fileName(Integer screen) const {
    const auto own = m_byScreen.constFind(screen);
    if (own != m_byScreen.constEnd())
        return own->path;
    return plainName(screen);
}

QString ScratchFiles::plainName(Integer screen) const {
    return QDir(m_folder()).filePath(QStringLiteral("Screen%1.tmp").arg(screen));
}

// A scratch file is a regular file: a link or anything else in its place is not one.
bool ScratchFiles::present(Integer screen) const {
    if (!m_byScreen.contains(screen))
        return false;
    return RegularFileIdentity(fileName(screen)).has_value();
}

const ScratchFiles::KnownBlock* ScratchFiles::knownBlock(Integer screen) const {
    const auto own = m_byScreen.constFind(screen);
    if (own == m_byScreen.constEnd() || !own->block || WrittenStampOf(own->path) != own->block->stamp)
        return nullptr;
    return &*own->block;
}

std::optional<ScratchFiles::KnownBlock> ScratchFiles::knownAt(const QString& path, FileIdentity identity,
                                                              qsizetype tileBytes, const BlockLinks& links) {
    const std::optional<WrittenStamp> stamp = WrittenStampOf(path);
    if (!stamp || stamp->file.device != identity.device || stamp->file.inode != identity.inode)
        return std::nullopt;
    return KnownBlock{*stamp, tileBytes, links};
}

QString ScratchFiles::freeName(Integer screen) const {
    const QDir folder(m_folder());
    const auto free = [](const QFileInfo& file) { return !file.isSymLink() && !file.exists(); };
    const QFileInfo preferred(plainName(screen));
    if (free(preferred))
        return preferred.filePath();
    for (int k = 1;; ++k) {
        const QFileInfo other(folder.filePath(QStringLiteral("Screen%1~%2.tmp").arg(screen).arg(k)));
        if (free(other))
            return other.filePath();
    }
}

void ScratchFiles::write(Integer screen, const QByteArray& block, bool deferSync) {
    QString path = fileName(screen);
    const auto own = m_byScreen.constFind(screen);
    if (own == m_byScreen.constEnd() || RegularFileIdentity(path) != own->identity)
        path = freeName(screen);
    const auto file = m_files->openWrite(path, Links::Replace);
    file->setDeferSync(deferSync);
    RecordWriter(file.get()).writeRaw(block);
    m_files->commit(*file);
    const FileIdentity identity = file->identity().value_or(FileIdentity());
    // A block the editor writes is mostly one that need not be checked again while it stays as written.
    std::optional<KnownBlock> known;
    CopyableBlock copyable;
    if (ScanCopyableBlock(block, screen, &copyable)) {
        BlockLinks links;
        std::copy(std::begin(copyable.links), std::end(copyable.links), links.begin());
        known = knownAt(path, identity, copyable.tileBytes, links);
    }
    m_byScreen.insert(screen, File{path, identity, std::move(known)});
    m_unsynced = m_unsynced || deferSync;
}

void ScratchFiles::sync() const {
    m_files->syncFileSystem(m_folder());
    m_unsynced = false;
}

// A file the editor wrote holds the 309 records of its screen; an empty one counts as present and holds
// nothing. Anything else was damaged after it was written.
bool ScratchFiles::isWhole(const QString& path, Integer screen) const {
    try {
        const std::unique_ptr<QIODevice> file = m_files->openRead(path);
        RecordReader reader(file.get());
        const QString key = levelfields::screenKey(screen);
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (!record[0].isText() || record[0].textValue() != key)
                return false;
        }
        return reader.recordsRead() == 0 || reader.recordsRead() == 309;
    } catch (const Failure&) {
        return false;
    }
}

void ScratchFiles::deleteAll(const QString& keep) {
    const QString kept = keep.isEmpty() ? QString() : QFileInfo(keep).absoluteFilePath();
    for (const File& scratch : std::as_const(m_byScreen)) {
        if (QFileInfo(scratch.path).absoluteFilePath() == kept)
            continue;
        if (RegularFileIdentity(scratch.path) == scratch.identity)
            m_files->remove(scratch.path);
    }
    m_byScreen.clear();
    if (m_levelCopy && QFileInfo(m_levelCopy->path).absoluteFilePath() != kept)
        remove(*m_levelCopy);
    m_levelCopy.reset();
}

QString ScratchFiles::freeLevelCopyName() const {
    const QDir folder(m_folder());
    for (int k = 1;; ++k) {
        const QFileInfo file(folder.filePath(QStringLiteral("Level~%1.tmp").arg(k)));
        if (!file.isSymLink() && !file.exists())
            return file.filePath();
    }
}

void ScratchFiles::remove(const LevelCopy& copy) const {
    if (RegularFileIdentity(copy.path) == copy.identity)
        m_files->remove(copy.path);
}

QList<Integer> ScratchFiles::screens() const {
    QList<Integer> screens;
    for (auto it = m_byScreen.cbegin(); it != m_byScreen.cend(); ++it)
        if (present(it.key()))
            screens << it.key();
    return screens;
}

void ScratchFiles::take(Integer screen, const QString& path) {
    m_byScreen.insert(screen, File{path, RegularFileIdentity(path).value_or(FileIdentity()), std::nullopt});
}

} // namespace tavrin
