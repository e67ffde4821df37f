#pragma once

#include "level/tools/reach.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QTimer;
class QWidget;

namespace tavrin {

class Form1;
class LevelDocument;
class WorldMap;

// View, Show Reachable and Walk To Here. Show Reachable shades, on a layer over the grid, the tiles of the
// screen on display that the walk from the start tile of screen 0 cannot reach, and in the World Overview
// the screens it never comes into; it follows every edit of the level. Walk To Here (Ctrl+click on a grid
// tile) walks the marker there along a shortest route, a key press at a time through the document's walk,
// and the status bar says how far it went, or, when no walk leads there, which tile nearest it does.
class ReachView : public QObject {
    Q_OBJECT
public:
    // A level of up to this many screens is searched again at once after each edit; a larger one once the
    // edits have paused, as a long task.
    static constexpr int AtOnceScreens = 1000;

    ReachView(Form1& form, LevelDocument& document, const QString& settingsFile,
              std::function<void(const QString&)> say);

    QAction* showAction() const { return m_show; }
    // Show Reachable as the settings keep it.
    void restore();
    // The search the shading shows; none while Show Reachable is off or the search is not done.
    const Reachability* walk() const;
    // Shades `map`'s screens as well, while it lives.
    void attach(WorldMap* map);
    // Walks the marker to `tile` of the screen on display.
    void walkTo(int tile);

signals:
    // The shading changed.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setShown(bool shown);
    // An edit: the search is out of date.
    void levelChanged();
    void searchAgain();
    // A search over the level held, none started: its level file read into a WalkTable, which is kept
    // while the file stays as it was read.
    std::unique_ptr<Reachability> newSearch();

    Form1& m_form;
    LevelDocument& m_document;
    const QString& m_settingsFile;
    std::function<void(const QString&)> m_say;
    QAction* m_show = nullptr;
    QWidget* m_layer = nullptr;
    QTimer* m_again = nullptr;
    std::unique_ptr<Reachability> m_walk;
    struct KeptTable {
        QString path;
        qint64 size = 0;
        QDateTime modified;
        std::optional<WalkTable> table; // none for a file that ReadWalkTable does not take
    };
    std::unique_ptr<KeptTable> m_kept;
    bool m_current = false;           // m_walk follows the last edit
    QObject* m_ctrlPressed = nullptr; // the grid tile a Ctrl+press went to: its release is ours too
};

} // namespace tavrin
