#include "PhotoFrame.h"

#include "AppIcon.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "BusyCursor.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "FileDialogs.h"
#include "ImageError.h"
#include "ImageStore.h"
#include "Messages.h"
#include "PictureCanvas.h"
#include "ProgramState.h"
#include "SaveImageFile.h"
#include "TDataModule1.h"
#include "TPreviewImage.h"
#include "TViewImage.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

PhotoFrame::PhotoFrame(TDataModule1& dm, QWidget* parent)
    : QGroupBox(QStringLiteral("Photo"), parent), m_dm(dm), m_person(dm.Person)
{
    setObjectName(QStringLiteral("Pan_Photo"));
    m_frame = new PictureCanvas(this);
    m_frame->setObjectName(QStringLiteral("ImgDB_Photo_Mini"));
    m_frame->setAccessibleName(QStringLiteral("Photo"));
    m_frame->setFixedSize(kSide, kSide);
    m_frame->setContextMenuPolicy(Qt::CustomContextMenu);

    m_select = new QPushButton(QStringLiteral("Sélectionner"), this);
    m_select->setObjectName(QStringLiteral("Btn_Select_Img"));
    m_delete = new QPushButton(this);
    m_delete->setObjectName(QStringLiteral("Btn_Delete_Img"));
    m_delete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    m_delete->setToolTip(QStringLiteral("Supprimer"));
    m_delete->setAccessibleName(QStringLiteral("Supprimer"));

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("Popup_Img"));
    const auto entry = [this](const char* caption, const char* name, void (PhotoFrame::*handler)()) {
        QAction* action = m_menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        connectCommand(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    entry("&Sélectionner une image", "Popup_Img_Select", &PhotoFrame::Btn_Select_ImgClick);
    entry("Su&pprimer cette image", "Popup_Img_Delete", &PhotoFrame::Btn_Delete_ImgClick);
    m_menu->addSeparator();
    entry("&Visualiser la image", "Popup_Img_View", &PhotoFrame::ImgDB_Photo_MiniDblClick);
    entry("&Imprimer la image", "Popup_Img_Print", &PhotoFrame::Popup_Img_PrintClick);
    m_menu->addSeparator();
    entry("&Enregistrer l'image sous ..", "Popup_Img_Save", &PhotoFrame::Popup_Img_SaveClick);
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : m_menu->actions())
            action->setEnabled(m_delete->isEnabled());
    });
    connect(m_frame, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_menu->popup(m_frame->mapToGlobal(at)); });

    connectCommand(m_select, &QPushButton::clicked, this, [this] { Btn_Select_ImgClick(); });
    connectCommand(m_delete, &QPushButton::clicked, this, [this] { Btn_Delete_ImgClick(); });
    connectCommand(m_frame, &PictureCanvas::doubleClicked, this, [this] { ImgDB_Photo_MiniDblClick(); });
    connect(&m_person, &Dataset::currentChanged, this, &PhotoFrame::showThumbnail);
    connect(&m_person, &Dataset::reset, this, &PhotoFrame::showThumbnail);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    buttons->addWidget(m_select, 1);
    buttons->addWidget(m_delete);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(m_frame, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    setFixedWidth(kSide + 12 + 2);
    showThumbnail();
}

void PhotoFrame::setPersonEnabled(bool enabled)
{
    m_select->setEnabled(enabled);
    m_delete->setEnabled(enabled);
}

bool PhotoFrame::hasPhoto() const
{
    return m_hasPhoto;
}

QImage PhotoFrame::shownPicture() const
{
    return m_frame->picture();
}

void PhotoFrame::showThumbnail()
{
    QByteArray smallPhoto;
    const int id = m_person.state() == Dataset::State::Insert ? -1 : DatasetUtils::currentId(m_person);
    // Shown as the person changes, from wherever it changed: a row that
    // cannot be read is said here and shows as no photo.
    if (id >= 0)
        runGuarded([&] { smallPhoto = TDataModule1::smallPhoto(id); });
    m_hasPhoto = !smallPhoto.isEmpty();
    QImage picture;
    if (m_hasPhoto) {
        try {
            picture = toQImage(BmpFormat::decode(smallPhoto));
        } catch (const ImageError&) {
            // A damaged small photo shows as no photo; the stored file is untouched.
        }
    }
    if (picture.isNull())
        picture = AppIcon::silhouette(kSide);
    m_frame->setPicture(picture);
    const QSize fitted =
        picture.size().scaled(QSize(kSide, kSide), Qt::KeepAspectRatio).boundedTo(picture.size());
    m_frame->setPictureRect(
        QRect(QPoint((kSide - fitted.width()) / 2, (kSide - fitted.height()) / 2), fitted));
}

int PhotoFrame::personId() const
{
    const int id = DatasetUtils::currentId(m_person);
    if (id < 0)
        throw DatabaseError(QStringLiteral("Aucun carnet de santé n'est sélectionné."));
    return id;
}

QString PhotoFrame::photoFile() const
{
    return m_dm.photoFile(personId());
}

// The person dataset leaves the pictures out: the photo is stored and
// cleared through the person's own row, once a pending change of the
// person is saved, as a stored picture always saves it first.
void PhotoFrame::openPhotoRow(Dataset& row)
{
    DatasetUtils::saveIfEditing(m_person);
    row.setSql(QStringList{QStringLiteral("SELECT Id, Img1, ImgMini1 FROM PERSON"),
                           QStringLiteral("WHERE Id=%1").arg(personId())});
    row.open();
    if (row.isEmpty())
        throw DatabaseError(QStringLiteral("La fiche à laquelle l'image appartient n'existe plus."));
}

void PhotoFrame::rebuildPersonList()
{
    emit m_dm.personListRebuildRequested(DatasetUtils::currentId(m_person));
}

void PhotoFrame::Btn_Select_ImgClick()
{
    FileDialogs::Request request;
    request.title = QStringLiteral("Sélectionnez une image");
    request.defaultExtension = QStringLiteral("jpg");
    request.filter = QStringLiteral(
        "Tout (*.jpg;*.bmp)|*.jpg;*.bmp|Fichier image JPEG (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp");
    const QString chosen = FileDialogs::choose(request);
    // The list is rebuilt in every case, a failed store included.
    try {
        if (!chosen.isEmpty()) {
            const Settings& settings = program().settings;
            {
                BusyCursor busy;
                Dataset row(QStringLiteral("PersonPhoto"));
                openPhotoRow(row);
                StoreImageFile(row, ThumbnailTarget("ImgMini1"), photoFile(), chosen, kSide, kSide,
                               ImageStoreSettings{settings.maxWidth, settings.jpegQuality});
            }
            showThumbnail();
            emit photoChanged();
        }
    } catch (...) {
        showThumbnail();
        rebuildPersonList();
        throw;
    }
    rebuildPersonList();
}

void PhotoFrame::Btn_Delete_ImgClick()
{
    const auto refresh = [this] {
        showThumbnail();
        emit photoChanged();
        rebuildPersonList();
    };
    try {
        if (Messages::ask(QStringLiteral("Désirez-vous supprimer cette photo ?"))) {
            Dataset row(QStringLiteral("PersonPhoto"));
            openPhotoRow(row);
            ClearImage(row, QStringLiteral("IMG1"), QStringLiteral("IMGMINI1"), photoFile());
        }
    } catch (...) {
        refresh();
        throw;
    }
    refresh();
}

void PhotoFrame::ImgDB_Photo_MiniDblClick()
{
    if (!hasPhoto())
        return;
    TViewImage::view(photoFile(), window());
}

void PhotoFrame::Popup_Img_PrintClick()
{
    TPreviewImage::open(TPreviewImage::photo(m_dm.databaseFolder(), personId()), window());
}

void PhotoFrame::Popup_Img_SaveClick()
{
    const QString name = m_person.field(QStringLiteral("Name")).asString();
    SaveImageFileAs(photoFile(), name.isEmpty() ? QStringLiteral("*.jpg") : name + QStringLiteral(".jpg"));
}
