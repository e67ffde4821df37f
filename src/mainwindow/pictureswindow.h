#pragma once

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <vector>

class QFileSystemWatcher;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

namespace tavrin {

// The Pictures window: every picture file of the picture folders and their subfolders as a thumbnail with
// its name, so that the brush picture is picked with a click. The folders are watched: a change reads them
// again a moment later, once for a burst of changes. Thumbnails are kept by path, size and modification
// time, so only new and changed files are decoded again; a large folder is decoded a slice at a time
// while the window goes on working.
class PicturesWindow : public QWidget {
    Q_OBJECT
public:
    // The size of a thumbnail, in pixels of the window.
    static constexpr int ThumbnailSize = 48;
    // How long after a change in the folders they are read again.
    static constexpr int RescanDelayMs = 200;

    explicit PicturesWindow(QWidget* parent = nullptr);

    // The folders to show, in the order the editor looks a picture up in them. A name found in two folders
    // is listed once, from the first; folders that do not exist are passed over. Nothing is read again
    // when the list is the same and the same folders of it exist.
    void setFolders(const QStringList& folders);
    QStringList folders() const { return m_folders; }

    // The names listed, in the order shown: each picture's path in its folder, with '/' separators.
    QStringList names() const;
    // The absolute path of the file listed as `name`; empty when none is.
    QString pathOf(const QString& name) const;

    // The editor's picture reference of a name: "walls/brick.bmp" is "\walls\brick.bmp".
    static QString referenceOf(const QString& name);
    // True for the files the window lists: .bmp, .png, .jpg, .jpeg and .gif, in either case.
    static bool isPictureFile(const QString& fileName);
    // `picture` in a transparent square of `side` pixels, centred, with no smoothing: a smaller picture
    // grows by the largest whole factor that fits, a larger one shrinks to fit.
    static QImage thumbnailOf(const QImage& picture, int side = ThumbnailSize);

    // How many files were decoded since the window was made.
    int decodeCount() const { return m_decodes; }
    // True while some thumbnails are still to be decoded.
    bool decoding() const { return !m_pending.empty(); }

public slots:
    // Reads the folders again now.
    void rescan();

signals:
    // The user clicked a picture: its reference for the level, and its file.
    void picturePicked(const QString& reference, const QString& path);
    // The user asked to import pictures into the folders.
    void importRequested();

private:
    // A picture file found in the folders.
    struct Picture {
        QString name;
        QString path;
        qint64 bytes = 0;
        QDateTime modified;
    };
    // A decoded file, valid while its file keeps its size and modification time.
    struct Thumbnail {
        qint64 bytes = 0;
        QDateTime modified;
        qreal ratio = 1.0; // the device pixel ratio the icon was drawn for
        QIcon icon;
        QSize size; // of the picture; empty when it could not be read
    };
    // A picture whose thumbnail is still to be decoded, and its row.
    struct Pending {
        int row = 0;
        Picture picture;
    };

    // The picture files of the folders, sorted, and in `watched` the folders read and the files listed.
    std::vector<Picture> listPictures(QStringList& watched) const;
    void watch(const QStringList& paths);
    void updateFolderLabel();
    // Decodes thumbnails for at most `milliseconds`; the rest follow in later slices.
    void decodeSome(int milliseconds);
    Thumbnail decode(const Picture& picture, qreal ratio);
    const Thumbnail* cached(const Picture& picture, qreal ratio) const;
    void showThumbnail(QListWidgetItem* item, const Picture& picture, const Thumbnail* thumbnail);
    // The icon of a file that could not be read.
    QIcon placeholder(qreal ratio);

    QStringList m_folders;
    QList<bool> m_folderExists;
    QLabel* m_folderLabel;
    QListWidget* m_list;
    QPushButton* m_import;
    QFileSystemWatcher* m_watcher;
    QTimer* m_rescanTimer;
    QTimer* m_decoder;
    QHash<QString, Thumbnail> m_thumbnails; // by path
    std::deque<Pending> m_pending;
    QIcon m_blank; // for a thumbnail still to be decoded
    QIcon m_placeholder;
    qreal m_placeholderRatio = 0.0;
    int m_decodes = 0;
};

} // namespace tavrin
