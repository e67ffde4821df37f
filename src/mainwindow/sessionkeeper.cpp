#include "mainwindow/sessionkeeper.h"

#include "level/core/failure.h"
#include "level/document/leveldocument.h"
#include "mainwindow/inputonlyto.h"

#include <QTimer>

namespace tavrin {

namespace {
// An edit reaches its scratch file this long after it was made, at most.
constexpr int AutosaveDelay = 1500;
} // namespace

SessionKeeper::SessionKeeper(LevelDocument& document, QObject* parent)
    : QObject(parent), m_document(document), m_autosave(new QTimer(this)) {
    m_autosave->setSingleShot(true);
    m_autosave->setInterval(AutosaveDelay);
    connect(m_autosave, &QTimer::timeout, this, &SessionKeeper::autosave);
    const auto edited = [this] {
        if (!m_autosave->isActive())
            m_autosave->start();
    };
    connect(&m_document, &LevelDocument::tileChanged, this, edited);
    connect(&m_document, &LevelDocument::linksChanged, this, edited);
    connect(&m_document, &LevelDocument::screenEdited, this, edited); // its scratch file is new
    connect(&m_document, &LevelDocument::propertiesChanged, this, edited);
    connect(&m_document, &LevelDocument::modifiedChanged, this, [this](bool modified) { keep(modified); });
    connect(&m_document, &LevelDocument::levelReplaced, this, [this] { keep(m_document.isModified()); });
    // Scratch files took other screens' numbers: the session file names them anew at once.
    connect(&m_document, &LevelDocument::screensRenumbered, this, [this] { keep(m_document.isModified()); });
    connect(&m_document, &LevelDocument::screenShown, this, [this] {
        if (m_document.isModified())
            keep(true);
    });
}

// A long task (a save, an edit of many screens) is not broken into: the autosave waits for its end.
void SessionKeeper::autosave() {
    if (InputOnlyTo::active()) {
        m_autosave->start();
        return;
    }
    if (!m_document.isModified() || m_document.isSaving())
        return;
    keepScreenNow();
    keep(true);
}

void SessionKeeper::keepScreenNow() {
    if (!m_document.isModified())
        return;
    try {
        m_document.keepScreenOnDisplay();
        m_autosaveFailed = false;
    } catch (const Failure& failure) {
        if (!m_autosaveFailed)
            ShowFailure(failure, QStringLiteral("Autosave"));
        m_autosaveFailed = true;
    }
}

void SessionKeeper::keep(bool unsaved) {
    try {
        m_document.keepSession(unsaved);
    } catch (const Failure&) {
        // The scratch files hold the work; only the offer to recover it after a crash is missing.
    }
}

} // namespace tavrin
