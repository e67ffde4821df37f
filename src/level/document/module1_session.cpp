// Module1: the level's side of a session: the session file written from the level state, and the level
// an editor no longer running left taken over.

#include "level/document/module1.h"

#include "level/storage/setaside.h"

namespace tavrin {

void Module1::writeSession(bool unsaved, Integer lastScreen) {
    PropertyValues properties = Properties();
    properties.lastScreen = lastScreen;
    m_sessions.write(unsaved, m_state.LevelFileName, properties);
}

void Module1::RecoverSession(const SessionState& session) {
    m_sessions.takeOver(session);
    std::optional<Failure> trouble;
    if (!session.levelFile.isEmpty() && m_files->exists(session.levelFile)) {
        try {
            LoadLevelSequence(session.levelFile, QStringLiteral("Form_Load"));
        } catch (const Failure& failure) {
            trouble = failure;
        }
    } else if (!session.levelFile.isEmpty()) {
        m_state.LevelFileName = session.levelFile;
        m_state.LevelFileIsNew = true;
    }
    // A scratch file is a regular file: a link in its place is none.
    for (auto it = session.scratchFiles.cbegin(); it != session.scratchFiles.cend(); ++it)
        if (RegularFileIdentity(it.value()))
            m_scratch.take(static_cast<Integer>(it.key()), it.value());
    if (!session.levelCopy.isEmpty())
        if (const std::optional<FileIdentity> copy = RegularFileIdentity(session.levelCopy))
            m_scratch.setLevelCopy(ScratchFiles::LevelCopy{session.levelCopy, *copy});
    // The properties as they were edited, when they read as properties.
    if (session.properties.size() == 7) {
        PropertyValues values{session.properties[0], session.properties[1], session.properties[2],
                              session.properties[3], session.properties[4]};
        bool startRead = false;
        bool lastRead = false;
        const int start = session.properties[5].toInt(&startRead);
        const int last = session.properties[6].toInt(&lastRead);
        if (startRead && lastRead && start >= FirstGridTile && start <= LastGridTile && last >= 0 &&
            last <= 32767) {
            values.startTile = static_cast<Integer>(start);
            values.lastScreen = static_cast<Integer>(last);
            SetProperties(values);
        }
    }
    m_state.CurrentScreen = 0;
    m_state.WalkerTile = m_state.LevelStartTile;
    LoadScreen();
    if (trouble)
        throw *trouble;
}

} // namespace tavrin
