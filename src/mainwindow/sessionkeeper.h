#pragma once

#include <QObject>

class QTimer;

namespace tavrin {

class LevelDocument;

// Keeps what a crash would leave up to date while the user works: the edited screen reaches its scratch
// file within two seconds of an edit, and the session file says which level the scratch files belong to
// and whether they hold unsaved edits. A failure to write the session file is no loss of work and is not
// told; a failed autosave is told once, not every two seconds while the disk stays full.
class SessionKeeper : public QObject {
    Q_OBJECT
public:
    explicit SessionKeeper(LevelDocument& document, QObject* parent = nullptr);

    // Writes the session file; `unsaved` tells whether the scratch files hold unsaved edits.
    void keep(bool unsaved);
    // The screen on display goes to its scratch file now, unless there is nothing unsaved. A failure is
    // told once, as for the autosave, and stops nothing: the screen is still in memory.
    void keepScreenNow();

private:
    void autosave();

    LevelDocument& m_document;
    QTimer* m_autosave;
    bool m_autosaveFailed = false;
};

} // namespace tavrin
