#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>

namespace tavrin {

// Reads picture files. A missing file is failure 53 (its description names the file); a file that is not
// a picture is failure 481.
//
// Each file is decoded once and kept, keyed by its path, its size and its modification time: within one
// pass (a screen loaded, a redisplay, a save) a file is looked at on disk once, and a file changed on
// disk is decoded again in the next pass.
class PictureStore {
public:
    QImage load(const QString& path);
    // Whether a file is there, looked at on disk at most once a pass.
    bool exists(const QString& path);
    // Starts a new pass: every file is checked on disk again at its next load.
    void beginPass() { ++m_pass; }
    // How many times a file was decoded.
    int decodes() const { return m_decodes; }

private:
    struct Entry {
        qint64 size = -1;
        QDateTime modified;
        QImage image; // null when the file is not a picture
        quint64 checkedInPass = 0;
    };

    QHash<QString, Entry> m_entries;
    QHash<QString, quint64> m_missing; // the pass in which a file was last found missing
    quint64 m_pass = 1;
    int m_decodes = 0;
};

} // namespace tavrin
