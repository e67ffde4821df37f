// The Pictures window of the main window: the level's pictures and the program's, picked as the brush
// picture with a click, and pictures from elsewhere imported into the level's Pics folder.
#include "mainwindow/form1.h"

#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/document/module1.h"
#include "mainwindow/centring.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/pictureswindow.h"
#include "widgets/loaddialog.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

namespace {
const QString PicturesPlace = QStringLiteral("Pictures");
} // namespace

void Form1::mnuPictures_Click() {
    if (!m_pictures) {
        m_pictures = new PicturesWindow(this);
        connect(m_pictures, &PicturesWindow::picturePicked, this,
                [this](const QString& reference) { takePictureIntoBrush(reference); });
        connect(m_pictures, &PicturesWindow::importRequested, this, &Form1::importPictures);
        PlaceBesideMainWindow(m_pictures, this);
    }
    m_pictures->setFolders(m_level.Pictures().folders());
    m_pictures->show();
    m_pictures->raise();
    m_pictures->activateWindow();
}

// As Change Pic does with the file it is given: the reference becomes the brush picture and the preview
// shows it.
void Form1::takePictureIntoBrush(const QString& reference) {
    m_document.setBrushPicture(reference);
    m_level.Pictures().beginPass();
    try {
        NewPicture->setPicture(m_level.Pictures().load(reference));
    } catch (const Failure& failure) {
        NewPicture->setPicture(QImage());
        ShowFailure(failure, PicturesPlace);
    }
}

std::optional<QString> Form1::referenceOfChosenPicture(const QString& path) {
    const PictureChoice choice = m_level.Pictures().choose(path);
    if (!choice.outside)
        return choice.reference;
    const QString folder = QDir::toNativeSeparators(QFileInfo(choice.copyTarget).path());
    enum { Copy, NameOnly };
    const int answer = Ask({Text(Msg::CopyPictureTitle),
                            Text(Msg::CopyPictureText).arg(QDir::toNativeSeparators(path), folder),
                            {Text(Msg::ButtonCopy), Text(Msg::ButtonDontCopy)},
                            Copy,
                            NameOnly});
    if (answer != Copy)
        return choice.reference;
    if (choice.targetTaken && !mayReplacePicture(choice, path))
        return std::nullopt;
    return m_document.importPicture(path);
}

bool Form1::mayReplacePicture(const PictureChoice& choice, const QString& path) {
    enum { Replace, Keep };
    return Ask({Text(Msg::ReplacePictureTitle),
                Text(Msg::ReplacePictureText)
                    .arg(QDir::toNativeSeparators(QFileInfo(choice.copyTarget).path()),
                         QFileInfo(path).fileName()),
                {Text(Msg::ButtonReplace), Text(Msg::ButtonKeep)},
                Keep,
                Keep}) == Replace;
}

void Form1::refreshPictureFolders() {
    if (m_pictures)
        m_pictures->setFolders(m_level.Pictures().folders());
}

// One picture that cannot be copied does not stop the others; those left are named in one message, and the
// level still shows them from the program's folder.
void Form1::carryImportedPictures(const QString& place) {
    const std::vector<LevelDocument::PictureToCarry> pictures = m_document.picturesToCarry();
    if (pictures.empty())
        return;
    QStringList failed;
    std::optional<Failure> first;
    for (const LevelDocument::PictureToCarry& picture : pictures) {
        const bool copy = !picture.copy.targetTaken || mayReplacePicture(picture.copy, picture.source);
        try {
            m_document.carryPicture(picture, copy);
        } catch (const Failure& failure) {
            failed << QDir::toNativeSeparators(picture.source) + QStringLiteral(": ") + ShownText(failure);
            if (!first)
                first = failure;
        }
    }
    refreshPictureFolders();
    if (!first)
        return;
    const QString folder = QFileInfo(pictures.front().copy.copyTarget).path();
    const QString from = QFileInfo(pictures.front().source).path();
    ShowFailure(Failure(first->code(), Text(Msg::PicturesNotCarried)
                                           .arg(QDir::toNativeSeparators(folder), failed.join(u'\n'),
                                                QDir::toNativeSeparators(from))),
                place);
}

void Form1::importPictures() {
    try {
        Dialog->DialogTitle = QStringLiteral("Import Pictures");
        Dialog->Filters = {QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg *.gif)"),
                           QStringLiteral("All files (*)")};
        Dialog->FileName = QDir::homePath() + u'/';
        Dialog->ShowOpenMany();
    } catch (const Failure& failure) {
        if (failure.code() != ErrCancel)
            ShowFailure(failure, PicturesPlace);
        return;
    }
    // Each file is copied on its own: one that cannot be copied is told and the others still come.
    for (const QString& path : std::as_const(Dialog->FileNames)) {
        try {
            const PictureChoice choice = m_level.Pictures().choose(path);
            if (!choice.outside)
                continue; // already where the level finds it
            if (choice.targetTaken && !mayReplacePicture(choice, path))
                continue;
            m_document.importPicture(path);
        } catch (const Failure& failure) {
            ShowFailure(failure, PicturesPlace);
        }
    }
    refreshPictureFolders();
}

} // namespace tavrin
