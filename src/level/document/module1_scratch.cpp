// Module1: the scratch files, one a screen, that hold the screens edited and left.

#include "level/document/module1.h"

#include "level/document/module1_fields.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

using namespace levelfields;

QString Module1::ScratchFileName(Integer screen) const {
    const auto own = m_scratch.constFind(screen);
    if (own != m_scratch.constEnd())
        return own->path;
    return QDir(scratchFolder()).filePath(QStringLiteral("Screen%1.tmp").arg(screen));
}

// Only the scratch files this editor wrote, or took over from a session it recovered, hold screens: a file
// that another run left is never read as a screen of this level. A scratch file is a regular file: a link
// or anything else in its place is not one.
bool Module1::scratchPresent(Integer screen) const {
    if (!m_scratch.contains(screen))
        return false;
    const QString path = ScratchFileName(screen);
    return !QFileInfo(path).isSymLink() && Files->exists(path);
}

// Where a screen's scratch file goes when this editor has none for it yet: Screen<n>.tmp when nothing
// stands there, else the first free name of the form Screen<n>~<k>.tmp, so that a file or link the
// editor finds in the folder is never written over or through.
QString Module1::freeScratchName(Integer screen) const {
    const QDir folder(scratchFolder());
    const auto free = [](const QFileInfo& file) { return !file.isSymLink() && !file.exists(); };
    const QFileInfo preferred(folder.filePath(QStringLiteral("Screen%1.tmp").arg(screen)));
    if (free(preferred))
        return preferred.filePath();
    for (int k = 1;; ++k) {
        const QFileInfo other(folder.filePath(QStringLiteral("Screen%1~%2.tmp").arg(screen).arg(k)));
        if (free(other))
            return other.filePath();
    }
}

bool Module1::ScreenTmpExists() const {
    return scratchPresent(CurrentScreen);
}

// A screen that could not be read whole is not written back: its source keeps it as it stands, rather
// than a mix of its first records and what the screen before it left.
void Module1::SaveScreenTmp(ScratchSync sync) {
    if (m_partlyRead && m_partlyRead->screen == CurrentScreen)
        return;
    writeScratch(CurrentScreen, EncodeScreenBlock(), sync == ScratchSync::Later);
    if (sync == ScratchSync::Later)
        m_scratchUnsynced = true;
}

void Module1::writeScratch(Integer screen, const QByteArray& block, bool deferSync) {
    QString path = ScratchFileName(screen);
    const auto own = m_scratch.constFind(screen);
    if (own == m_scratch.constEnd() || RegularFileIdentity(path) != own->identity)
        path = freeScratchName(screen);
    const auto file = Files->openWrite(path, Links::Replace);
    file->setDeferSync(deferSync);
    RecordWriter(file.get()).writeRaw(block);
    Files->commit(*file);
    m_scratch.insert(screen, ScratchFile{path, file->identity().value_or(FileIdentity())});
}

void Module1::SyncScratchFiles() const {
    Files->syncFileSystem(scratchFolder());
    m_scratchUnsynced = false;
}

// A scratch file the editor wrote holds the 309 records of its screen; an empty one counts as present
// and holds nothing. Anything else was damaged after it was written.
bool Module1::scratchFileIsWhole(const QString& scratch, Integer screen) const {
    try {
        const std::unique_ptr<QIODevice> file = Files->openRead(scratch);
        RecordReader reader(file.get());
        const QString key = screenKey(screen);
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

Failure Module1::lostScratchFile(const QString& scratch, Msg what, Integer screen) const {
    return Failure(ErrPathAccess, Text(what).arg(QDir::toNativeSeparators(scratch)).arg(screen));
}

void Module1::DeleteScratchFiles(const QString& keep) {
    const QString kept = keep.isEmpty() ? QString() : QFileInfo(keep).absoluteFilePath();
    for (const ScratchFile& scratch : std::as_const(m_scratch)) {
        if (QFileInfo(scratch.path).absoluteFilePath() == kept)
            continue;
        if (RegularFileIdentity(scratch.path) == scratch.identity)
            Files->remove(scratch.path);
    }
    m_scratch.clear();
    m_partlyRead.reset();
}

QList<Integer> Module1::ScratchScreens() const {
    QList<Integer> screens;
    for (auto it = m_scratch.cbegin(); it != m_scratch.cend(); ++it)
        if (scratchPresent(it.key()))
            screens << it.key();
    return screens;
}

} // namespace tavrin
