#include "TEnterDocument.h"

#include "BitmapQt.h"
#include "BusyCursor.h"
#include "CommandGuard.h"
#include "Dataset.h"
#include "FileDialogs.h"
#include "ImageDocuments.h"
#include "ImageGeometry.h"
#include "ImageTransforms.h"
#include "ProgramState.h"
#include "Scanner.h"
#include "StoredFiles.h"

#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kFrame = 300;

QPushButton* smallButton(QWidget* parent, const char* name, const QString& glyph, const QString& hint)
{
    auto* button = new QPushButton(glyph, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setAutoDefault(false);
    button->setFixedWidth(32);
    return button;
}

} // namespace

TEnterDocument::TEnterDocument(Dataset& row, const QString& databaseFolder,
                               const ImageStoreSettings& settings, QWidget* parent)
    : EntryDialog(row, QStringLiteral("EnterDocument"), QStringLiteral("  Sélection d'un document"), parent),
      m_databaseFolder(databaseFolder), m_settings(settings),
      m_imageCaption(new QLabel(QStringLiteral("Image"), this)), m_image(new QLabel)
{
    QLineEdit* title =
        addLineField(QStringLiteral("Titre"), QStringLiteral("Ed_Title"), QStringLiteral("Title"));
    form()->itemAtPosition(form()->rowCount() - 1, 0)->widget()->setObjectName(QStringLiteral("Lab_Title"));

    m_imageCaption->setObjectName(QStringLiteral("Lab_Image"));
    auto* left =
        smallButton(this, "Btn_Rotation_Left", QStringLiteral("↺"), QStringLiteral("Pivoter à gauche"));
    auto* right =
        smallButton(this, "Btn_Rotation_Right", QStringLiteral("↻"), QStringLiteral("Pivoter à droite"));
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(m_imageCaption, 1);
    captionRow->addWidget(left);
    captionRow->addWidget(right);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Pan_Img_Cadre"));
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(1);
    frame->setStyleSheet(QStringLiteral("#Pan_Img_Cadre { background: white; border: 1px solid #7a8ba8; }"));
    frame->setFixedSize(kFrame + 2, kFrame + 2);
    m_image->setParent(frame);
    m_image->setObjectName(QStringLiteral("Img_Document"));
    m_image->setAccessibleName(QStringLiteral("Image"));

    auto* choose = new QPushButton(QStringLiteral("Sélection d'une image"), this);
    choose->setObjectName(QStringLiteral("Btn_Img"));
    choose->setAutoDefault(false);
    auto* scan = new QPushButton(QStringLiteral("Scanner une image"), this);
    scan->setObjectName(QStringLiteral("Btn_Scan"));
    scan->setAutoDefault(false);
    // Asked once, as the dialog opens: listing scanners may take a while.
    scan->setEnabled(Scanner::isAvailable());
    auto* sources = new QHBoxLayout;
    sources->addWidget(choose);
    sources->addWidget(scan);
    sources->addStretch();

    body()->addLayout(captionRow);
    body()->addWidget(frame, 0, Qt::AlignHCenter);
    body()->addLayout(sources);

    connectCommand(choose, &QPushButton::clicked, this, [this] { Btn_ImgClick(); });
    connectCommand(scan, &QPushButton::clicked, this, [this] { Btn_ScanClick(); });
    connectCommand(left, &QPushButton::clicked, this, [this] { Btn_Rotation_LeftClick(); });
    connectCommand(right, &QPushButton::clicked, this, [this] { Btn_Rotation_RightClick(); });

    // A title of blanks is a title; the picture must have pixels.
    setOkRule([this] {
        return !this->row().field(QStringLiteral("Title")).asString().isEmpty() && m_picture.width() > 0;
    });
    showPicture();
    title->setFocus();
}

void TEnterDocument::setPicture(const Bitmap& picture)
{
    m_picture = picture;
    m_size = QSize(picture.width(), picture.height());
    showPicture();
    updateOk();
}

void TEnterDocument::pictureReplaced(Bitmap picture, QSize size)
{
    m_picture = std::move(picture);
    m_size = size;
    m_changed = true;
    showPicture();
    updateOk();
}

void TEnterDocument::Btn_ImgClick()
{
    FileDialogs::Request request;
    request.title = QStringLiteral("Sélectionnez une image");
    request.filter = QStringLiteral(
        "Tout (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|Fichier image JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Bitmaps "
        "(*.bmp)|*.bmp");
    request.defaultExtension = QStringLiteral("jpg");
    const QString chosen = FileDialogs::choose(request);
    if (chosen.isEmpty())
        return;
    BusyCursor busy;
    ChosenPicture read = readPictureFile(chosen, m_settings.maxWidth);
    pictureReplaced(std::move(read.picture), QSize(read.fileWidth, read.fileHeight));
}

void TEnterDocument::Btn_ScanClick()
{
    const Settings& settings = program().settings;
    const QString scanned = StoredFiles::scannedPage(m_databaseFolder);
    if (!Scanner::acquire(this, settings.twainSource, settings.showTwainUI, scanned))
        return;
    const auto removing = qScopeGuard([&scanned] { QFile::remove(scanned); });
    BusyCursor busy;
    ChosenPicture read = readPictureFile(scanned, m_settings.maxWidth);
    pictureReplaced(std::move(read.picture), QSize(read.fileWidth, read.fileHeight));
}

void TEnterDocument::rotate(int angle)
{
    if (m_picture.isEmpty())
        return;
    BusyCursor busy;
    // Turned without a copy beside it: a picture can be 5000 pixels square.
    Bitmap turned = m_picture.format() == PixelFormat::Bgr24 ? std::move(m_picture) : toBgr24(m_picture);
    try {
        RotateBitmap(turned, angle);
    } catch (...) {
        if (m_picture.isEmpty())
            m_picture = std::move(turned);
        throw;
    }
    pictureReplaced(std::move(turned), m_size.transposed());
}

void TEnterDocument::showPicture()
{
    if (m_picture.isEmpty()) {
        m_imageCaption->setText(QStringLiteral("Image"));
        m_image->clear();
        m_image->hide();
        return;
    }
    m_imageCaption->setText(QStringLiteral("Image (%1 x %2)").arg(m_size.width()).arg(m_size.height()));
    const FitRect fit = FitImageRect(kFrame, kFrame, m_picture.width(), m_picture.height(), 0);
    // Only the reduced copy is made: the picture itself can be 5000 pixels square.
    const QImage picture = viewAsQImage(m_picture);
    m_image->setPixmap(QPixmap::fromImage(
        fit.scaled ? picture.scaled(fit.width, fit.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   : picture.copy()));
    m_image->setGeometry(1 + fit.left, 1 + fit.top, fit.width, fit.height);
    m_image->show();
}

void TEnterDocument::saveRow()
{
    BusyCursor busy;
    ImageDocuments::save(row(), m_changed ? &m_picture : nullptr, m_databaseFolder, m_settings);
}
