#include "mainwindow/diskwatch.h"

#include "level/core/messages.h"
#include "level/document/leveldocument.h"
#include "mainwindow/inputonlyto.h"
#include "mainwindow/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QScopeGuard>

namespace tavrin {

namespace {
constexpr int LookEvery = 3000;
constexpr int Settle = 500;
} // namespace

DiskWatch::DiskWatch(LevelDocument& document, std::function<void(const QString&)> reload, QObject* parent)
    : QObject(parent), m_document(document), m_reload(std::move(reload)),
      m_watcher(new QFileSystemWatcher(this)) {
    m_settle.setSingleShot(true);
    setIntervals(LookEvery, Settle);
    connect(&m_look, &QTimer::timeout, this, &DiskWatch::check);
    connect(&m_settle, &QTimer::timeout, this, &DiskWatch::check);
    const auto noticed = [this] {
        if (!m_settle.isActive())
            m_settle.start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, noticed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, noticed);
    connect(&document, &LevelDocument::levelReplaced, this, &DiskWatch::follow);
    connect(&document, &LevelDocument::modifiedChanged, this, &DiskWatch::follow);
    m_look.start();
}

void DiskWatch::setIntervals(int lookEvery, int settle) {
    m_look.setInterval(lookEvery);
    m_settle.setInterval(settle);
}

void DiskWatch::follow() {
    const QString file = m_document.levelFile();
    QStringList wanted;
    if (!file.isEmpty())
        wanted << file << QFileInfo(file).absolutePath();
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    for (const QString& path : watched)
        if (!wanted.contains(path))
            m_watcher->removePath(path);
    for (const QString& path : wanted)
        if (!watched.contains(path) && QFileInfo::exists(path))
            m_watcher->addPath(path);
}

void DiskWatch::check() {
    follow();
    const std::optional<FileStamp> change = m_document.levelFileChange();
    if (!change || change == m_told) {
        m_seen = change;
        return;
    }
    // Asked about only once it stays as it is: another program may still be writing it.
    if (change != m_seen) {
        m_seen = change;
        m_settle.start();
        return;
    }
    if (busy()) {
        m_settle.start();
        return;
    }
    ask(*change);
}

bool DiskWatch::busy() const {
    return m_asking || m_document.isSaving() || InputOnlyTo::active() || QApplication::activeModalWidget() ||
           QApplication::activePopupWidget();
}

void DiskWatch::ask(const FileStamp& onDisk) {
    m_asking = true;
    const auto asked = qScopeGuard([this] { m_asking = false; });
    m_told = onDisk;
    const QString file = m_document.levelFile();
    const bool unsaved = m_document.isModified();
    enum { Reload, KeepMine };
    const int answer =
        Ask({Text(Msg::LevelChangedTitle),
             Text(unsaved ? Msg::LevelChangedUnsaved : Msg::LevelChanged).arg(QDir::toNativeSeparators(file)),
             {Text(Msg::ButtonReload), Text(Msg::ButtonKeepMine)},
             unsaved ? KeepMine : Reload,
             KeepMine});
    if (answer == Reload)
        m_reload(file);
    else
        m_document.acceptLevelFile(onDisk);
}

bool DiskWatch::maySaveOver(const QString& path) {
    const std::optional<FileStamp> change = m_document.levelFileChange();
    const std::optional<FileStamp> target = FileStampOf(path);
    if (!change || !target || target->device != change->device || target->inode != change->inode)
        return true;
    m_told = change;
    enum { Replace, Cancel };
    return Ask({Text(Msg::LevelChangedTitle),
                Text(Msg::SaveOverChanged).arg(QDir::toNativeSeparators(path)),
                {Text(Msg::ButtonReplace), Text(Msg::ButtonCancel)},
                Cancel,
                Cancel}) == Replace;
}

} // namespace tavrin
