#include "mainwindow/pictureswindow.h"

#include "level/storage/picturestore.h"
#include "mainwindow/centring.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace tavrin {

namespace {
// Thumbnails decoded when the folders are read, before the list shows; the rest follow a slice at a time.
constexpr int FirstSliceMs = 150;
constexpr int SliceMs = 40;
constexpr int PathRole = Qt::UserRole;

// The order of the list: by name in either case, names that differ only in case in a fixed order.
bool ListedBefore(const QString& a, const QString& b) {
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}
} // namespace

PicturesWindow::PicturesWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("Pictures"));
    setWindowTitle(QStringLiteral("Pictures"));
    CloseOnEscape(this);

    m_folderLabel = new QLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("Folders"));
    m_folderLabel->setWordWrap(true);
    m_folderLabel->setMinimumWidth(1); // a long path is cut short rather than widen the window
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("PictureList"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    // A name takes up to two lines under its picture; a longer one keeps its start and its end, and the
    // tooltip has it whole.
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setGridSize(QSize(ThumbnailSize + 40, ThumbnailSize + 2 * fontMetrics().height() + 14));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setDragEnabled(false);

    m_import = new QPushButton(QStringLiteral("Import Pictures..."), this);
    m_import->setObjectName(QStringLiteral("ImportPictures"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_import);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_folderLabel);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    m_watcher = new QFileSystemWatcher(this);
    m_rescanTimer = new QTimer(this);
    m_rescanTimer->setSingleShot(true);
    m_rescanTimer->setInterval(RescanDelayMs);
    m_decoder = new QTimer(this);
    m_decoder->setInterval(0);
    // A change starts the timer unless it runs already: a burst of changes is read once, and a long one
    // (a folder being copied in) every RescanDelayMs while it lasts.
    const auto changed = [this] {
        if (!m_rescanTimer->isActive())
            m_rescanTimer->start();
    };
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
    connect(m_rescanTimer, &QTimer::timeout, this, &PicturesWindow::rescan);
    connect(m_decoder, &QTimer::timeout, this, [this] { decodeSome(SliceMs); });
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        emit picturePicked(referenceOf(item->text()), item->data(PathRole).toString());
    });
    connect(m_import, &QPushButton::clicked, this, &PicturesWindow::importRequested);

    QPixmap blank(ThumbnailSize, ThumbnailSize);
    blank.fill(Qt::transparent);
    m_blank = QIcon(blank);
    resize(340, 420);
    updateFolderLabel();
}

void PicturesWindow::setFolders(const QStringList& folders) {
    QList<bool> exist;
    for (const QString& folder : folders)
        exist << (!folder.isEmpty() && QFileInfo(folder).isDir());
    if (folders == m_folders && exist == m_folderExists)
        return;
    m_folders = folders;
    rescan();
}

QStringList PicturesWindow::names() const {
    QStringList names;
    for (int row = 0; row < m_list->count(); ++row)
        names << m_list->item(row)->text();
    return names;
}

QString PicturesWindow::pathOf(const QString& name) const {
    const QList<QListWidgetItem*> found = m_list->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return found.isEmpty() ? QString() : found.first()->data(PathRole).toString();
}

QString PicturesWindow::referenceOf(const QString& name) {
    return QLatin1Char('\\') + QString(name).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool PicturesWindow::isPictureFile(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QStringView suffix = QStringView(fileName).mid(dot + 1);
    for (const char* known : {"bmp", "png", "jpg", "jpeg", "gif"})
        if (suffix.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QImage PicturesWindow::thumbnailOf(const QImage& picture, int side) {
    QImage thumbnail(side, side, QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::transparent);
    if (picture.isNull())
        return thumbnail;
    // Nearest neighbour only: pixel art keeps its hard edges.
    QImage scaled;
    if (picture.width() <= side && picture.height() <= side) {
        const int factor = side / std::max(picture.width(), picture.height());
        scaled = picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    } else {
        scaled = picture.scaled(side, side, Qt::KeepAspectRatio, Qt::FastTransformation);
    }
    QPainter painter(&thumbnail);
    painter.drawImage((side - scaled.width()) / 2, (side - scaled.height()) / 2, scaled);
    return thumbnail;
}

// Symbolic links to folders are not followed, so that a link up the tree cannot make the reading go round
// for ever; hidden files and folders are passed over.
std::vector<PicturesWindow::Picture> PicturesWindow::listPictures(QStringList& watched) const {
    std::vector<Picture> pictures;
    QStringList files;
    QSet<QString> seen;
    for (qsizetype k = 0; k < m_folders.size(); ++k) {
        if (!m_folderExists.value(k))
            continue;
        const QString root = QFileInfo(m_folders[k]).absoluteFilePath();
        const QDir folder(root);
        watched << root;
        QDirIterator entries(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            entries.next();
            const QFileInfo entry = entries.fileInfo();
            if (entry.isDir()) {
                if (!entry.isSymLink())
                    watched << entry.absoluteFilePath();
                continue;
            }
            if (!isPictureFile(entry.fileName()))
                continue;
            const QString name = folder.relativeFilePath(entry.absoluteFilePath());
            if (seen.contains(name))
                continue; // the editor finds it in an earlier folder
            seen.insert(name);
            pictures.push_back({name, entry.absoluteFilePath(), entry.size(), entry.lastModified()});
            files << entry.absoluteFilePath();
        }
    }
    watched += files; // after every folder, so that the folders are watched first should watches run out
    std::sort(pictures.begin(), pictures.end(),
              [](const Picture& a, const Picture& b) { return ListedBefore(a.name, b.name); });
    return pictures;
}

// Watches exactly `paths`: folders for files coming and going, files for their contents.
void PicturesWindow::watch(const QStringList& paths) {
    const QSet<QString> wanted(paths.cbegin(), paths.cend());
    QSet<QString> kept;
    QStringList dropped;
    for (const QStringList& watched : {m_watcher->directories(), m_watcher->files()})
        for (const QString& path : watched)
            if (wanted.contains(path))
                kept.insert(path);
            else
                dropped << path;
    QStringList added;
    for (const QString& path : paths)
        if (!kept.contains(path)) {
            added << path;
            kept.insert(path);
        }
    if (!dropped.isEmpty())
        m_watcher->removePaths(dropped);
    if (!added.isEmpty())
        m_watcher->addPaths(added);
}

void PicturesWindow::updateFolderLabel() {
    QStringList shown;
    QStringList missing;
    for (qsizetype k = 0; k < m_folders.size(); ++k)
        (m_folderExists.value(k) ? shown : missing)
            << QDir::toNativeSeparators(QFileInfo(m_folders[k]).absoluteFilePath());
    QString text = shown.isEmpty()
                       ? QStringLiteral("No picture folder found.")
                       : QStringLiteral("Pictures in %1").arg(shown.join(QStringLiteral(", then ")));
    if (!missing.isEmpty())
        text += QStringLiteral("\nNot found: %1").arg(missing.join(QStringLiteral(", ")));
    m_folderLabel->setText(text);
    m_folderLabel->setToolTip(text);
}

// The list is brought up to date in place: rows whose name stays keep their place and the selection.
void PicturesWindow::rescan() {
    m_rescanTimer->stop();
    m_folderExists.clear();
    for (const QString& folder : m_folders)
        m_folderExists << (!folder.isEmpty() && QFileInfo(folder).isDir());
    updateFolderLabel();

    QStringList watched;
    const std::vector<Picture> pictures = listPictures(watched);
    watch(watched);

    const qreal ratio = devicePixelRatioF();
    m_pending.clear();
    m_list->setUpdatesEnabled(false);
    QSet<QString> listed;
    int row = 0;
    for (const Picture& picture : pictures) {
        while (row < m_list->count() && ListedBefore(m_list->item(row)->text(), picture.name))
            delete m_list->takeItem(row);
        QListWidgetItem* item = row < m_list->count() ? m_list->item(row) : nullptr;
        if (!item || item->text() != picture.name) {
            item = new QListWidgetItem(picture.name);
            item->setSizeHint(m_list->gridSize() -
                              QSize(4, 4)); // the whole cell, for a name under its picture
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            m_list->insertItem(row, item);
        }
        const Thumbnail* thumbnail = cached(picture, ratio);
        if (!thumbnail)
            m_pending.push_back({row, picture});
        showThumbnail(item, picture, thumbnail);
        listed.insert(picture.path);
        ++row;
    }
    while (m_list->count() > row)
        delete m_list->takeItem(row);
    for (auto it = m_thumbnails.begin(); it != m_thumbnails.end();)
        it = listed.contains(it.key()) ? std::next(it) : m_thumbnails.erase(it);
    m_list->setUpdatesEnabled(true);
    decodeSome(FirstSliceMs);
}

void PicturesWindow::decodeSome(int milliseconds) {
    QElapsedTimer slice;
    slice.start();
    const qreal ratio = devicePixelRatioF();
    while (!m_pending.empty() && slice.elapsed() < milliseconds) {
        const Pending next = m_pending.front();
        m_pending.pop_front();
        const auto decoded = m_thumbnails.insert(next.picture.path, decode(next.picture, ratio));
        QListWidgetItem* item = m_list->item(next.row);
        if (item && item->text() == next.picture.name)
            showThumbnail(item, next.picture, &decoded.value());
    }
    if (m_pending.empty())
        m_decoder->stop();
    else if (!m_decoder->isActive())
        m_decoder->start();
}

PicturesWindow::Thumbnail PicturesWindow::decode(const Picture& picture, qreal ratio) {
    ++m_decodes;
    Thumbnail thumbnail{picture.bytes, picture.modified, ratio, {}, {}};
    // A picture whose header tells of more pixels than the editor decodes shows as one it cannot read.
    QImageReader reader(picture.path);
    const QImage image = DecodablePictureSize(reader.size()) ? reader.read() : QImage();
    if (image.isNull()) {
        thumbnail.icon = placeholder(ratio);
        return thumbnail;
    }
    QPixmap pixmap = QPixmap::fromImage(thumbnailOf(image, qRound(ThumbnailSize * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    thumbnail.icon = QIcon(pixmap);
    thumbnail.size = image.size();
    return thumbnail;
}

const PicturesWindow::Thumbnail* PicturesWindow::cached(const Picture& picture, qreal ratio) const {
    const auto found = m_thumbnails.constFind(picture.path);
    if (found == m_thumbnails.cend() || found->bytes != picture.bytes ||
        found->modified != picture.modified || found->ratio != ratio)
        return nullptr;
    return &found.value();
}

// Without a thumbnail (still to be decoded) an item keeps the one it has.
void PicturesWindow::showThumbnail(QListWidgetItem* item, const Picture& picture,
                                   const Thumbnail* thumbnail) {
    item->setData(PathRole, picture.path);
    const QString where = QDir::toNativeSeparators(picture.path);
    if (!thumbnail) {
        if (item->icon().isNull())
            item->setIcon(m_blank);
        item->setToolTip(picture.name + QLatin1Char('\n') + where);
        return;
    }
    if (item->icon().cacheKey() != thumbnail->icon.cacheKey())
        item->setIcon(thumbnail->icon);
    if (thumbnail->size.isEmpty())
        item->setToolTip(
            QStringLiteral("%1 — not a picture the editor can read\n%2").arg(picture.name, where));
    else
        item->setToolTip(QStringLiteral("%1 — %2 x %3 px\n%4")
                             .arg(picture.name, QString::number(thumbnail->size.width()),
                                  QString::number(thumbnail->size.height()), where));
}

// A crossed frame: the file is listed, but the editor cannot show it.
QIcon PicturesWindow::placeholder(qreal ratio) {
    if (m_placeholder.isNull() || m_placeholderRatio != ratio) {
        const int side = qRound(ThumbnailSize * ratio);
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(QPen(QColor(150, 150, 150), 2 * ratio));
        const QRectF frame(side / 6.0, side / 6.0, side * 2 / 3.0, side * 2 / 3.0);
        painter.drawRect(frame);
        painter.drawLine(frame.topLeft(), frame.bottomRight());
        painter.drawLine(frame.topRight(), frame.bottomLeft());
        painter.end();
        pixmap.setDevicePixelRatio(ratio);
        m_placeholder = QIcon(pixmap);
        m_placeholderRatio = ratio;
    }
    return m_placeholder;
}

} // namespace tavrin
