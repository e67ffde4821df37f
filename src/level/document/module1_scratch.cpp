// Module1: the scratch files, one a screen, that hold the screens edited and left.

#include "level/document/module1.h"

#include "level/document/module1_fields.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

using namespace levelfields;

QString Module1::ScratchFileName(Integer screen) const {
    return m_scratch.fileName(screen);
}

bool Module1::ScreenTmpExists() const {
    return m_scratch.present(m_state.CurrentScreen);
}

// A screen that could not be read whole is not written back: its source keeps it as it stands, rather
// than a mix of its first records and what the screen before it left.
void Module1::SaveScreenTmp(ScratchSync sync) {
    if (m_partlyRead && m_partlyRead->screen == m_state.CurrentScreen)
        return;
    m_scratch.write(m_state.CurrentScreen, EncodeScreenBlock(), sync == ScratchSync::Later);
}

void Module1::SyncScratchFiles() const {
    m_scratch.sync();
}

Failure Module1::lostScratchFile(const QString& scratch, Msg what, Integer screen) const {
    return Failure(ErrPathAccess, Text(what).arg(QDir::toNativeSeparators(scratch)).arg(screen));
}

void Module1::DeleteScratchFiles(const QString& keep) {
    m_scratch.deleteAll(keep);
    m_partlyRead.reset();
}

QList<Integer> Module1::ScratchScreens() const {
    return m_scratch.screens();
}

} // namespace tavrin
