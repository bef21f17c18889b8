#include "TPreviewImage.h"

#include "BitmapQt.h"
#include "BusyCursor.h"
#include "CommandGuard.h"
#include "Dataset.h"
#include "Errors.h"
#include "JpegIO.h"
#include "Messages.h"
#include "PictureCanvas.h"
#include "SaveImageFile.h"
#include "ViewerBar.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSizeGrip>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
// The wheel moves the frame by this many scroll steps a notch.
constexpr int kWheelSteps = 4;

QImage readPicture(const QString& path)
{
    Bitmap bitmap;
    if (!LoadJpegFile(bitmap, path, true))
        return {};
    return toQImage(bitmap);
}

PictureReport::Printing& lentPrinting()
{
    static PictureReport::Printing printing;
    return printing;
}
} // namespace

TPreviewImage::Settings TPreviewImage::documents(const QString& databaseFolder, int personId, int documentId)
{
    Settings s;
    s.baseTitle = QStringLiteral("Document - Image");
    s.kind = StoredFiles::documentPictures();
    s.databaseFolder = databaseFolder;
    s.selection =
        QStringLiteral("SELECT DOCUMENTIMG.Id as [Id], DOCUMENTIMG.Title as [Title] FROM DOCUMENTIMG WHERE "
                       "DOCUMENTIMG.DoType=1 AND DOCUMENTIMG.Id_Ref=") +
        QString::number(personId);
    s.startId = documentId;
    return s;
}

TPreviewImage::Settings TPreviewImage::photo(const QString& databaseFolder, int personId)
{
    Settings s;
    s.baseTitle = QStringLiteral("Photo");
    s.kind = StoredFiles::photos();
    s.databaseFolder = databaseFolder;
    s.selection =
        QStringLiteral("SELECT PERSON.Id as [Id], PERSON.Name as [Title] FROM PERSON WHERE PERSON.Id=") +
        QString::number(personId);
    return s;
}

QString TPreviewImage::missingMessage(const QString& path)
{
    return QStringLiteral(
               "IMPOSSIBLE D'IMPRIMER L'IMAGE !\rLe fichier \"%1\" a sans doute été supprimé manuellement "
               "et n'est plus accessible.")
        .arg(path);
}

TPreviewImage::TPreviewImage(const Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_query(std::make_unique<Dataset>(QStringLiteral("QueryImg"))),
      m_zoom(settings.zoom)
{
    setObjectName(QStringLiteral("PreviewImage"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setModal(true);
    // The grip takes a width above 300 pixels and a height above 200.
    setMinimumSize(301, 201);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollBox"));
    m_scroll->setAccessibleName(settings.baseTitle);
    m_scroll->setWidgetResizable(false);
    m_scroll->verticalScrollBar()->setSingleStep(10);
    m_canvas = new PictureCanvas(m_scroll);
    m_canvas->setObjectName(QStringLiteral("Img"));
    m_canvas->setAccessibleName(settings.baseTitle);
    m_scroll->setWidget(m_canvas);
    m_scroll->viewport()->installEventFilter(this);
    connect(m_canvas, &PictureCanvas::dragged, this, [this](QPoint delta) {
        m_scroll->horizontalScrollBar()->setValue(m_scroll->horizontalScrollBar()->value() - delta.x());
        m_scroll->verticalScrollBar()->setValue(m_scroll->verticalScrollBar()->value() - delta.y());
    });

    auto* bar = new ViewerBar(this);
    const auto add = [bar](const char* name, const QString& caption, const QString& hint) {
        return bar->add(name, caption, hint);
    };
    m_print = add("Btn_Print", QStringLiteral("&Imprimer"), QStringLiteral("Imprimer"));
    m_save = add("Btn_Save", QStringLiteral("&Enregistrer"), QStringLiteral("Enregistrer une copie"));
    bar->addSpacing(8);
    m_first = add("Btn_First", QStringLiteral("|◀"), QStringLiteral("Première image"));
    m_prior = add("Btn_Prior", QStringLiteral("◀"), QStringLiteral("Image précédente"));
    m_next = add("Btn_Next", QStringLiteral("▶"), QStringLiteral("Image suivante"));
    m_last = add("Btn_Last", QStringLiteral("▶|"), QStringLiteral("Dernière image"));
    bar->addSpacing(8);
    QPushButton* whole = add("Btn_Zoom1", QStringLiteral("Image entière"), QStringLiteral("Image entière"));
    QPushButton* width = add("Btn_Zoom2", QStringLiteral("Largeur"), QStringLiteral("Largeur de la fenêtre"));
    QPushButton* actual = add("Btn_Zoom3", QStringLiteral("Taille réelle"), QStringLiteral("Taille réelle"));
    m_grip = bar->finish();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(bar);

    connectCommand(m_print, &QPushButton::clicked, this, [this] { Btn_PrintClick(); });
    connectCommand(m_save, &QPushButton::clicked, this, [this] { Btn_SaveClick(); });
    connectCommand(m_first, &QPushButton::clicked, this, [this] { Btn_FirstClick(); });
    connectCommand(m_prior, &QPushButton::clicked, this, [this] { Btn_PriorClick(); });
    connectCommand(m_next, &QPushButton::clicked, this, [this] { Btn_NextClick(); });
    connectCommand(m_last, &QPushButton::clicked, this, [this] { Btn_LastClick(); });
    connect(whole, &QPushButton::clicked, this, [this] { setZoom(PictureLayout::Zoom::WholePicture); });
    connect(width, &QPushButton::clicked, this, [this] { setZoom(PictureLayout::Zoom::FitWidth); });
    connect(actual, &QPushButton::clicked, this, [this] { setZoom(PictureLayout::Zoom::ActualSize); });

    // The window's size, then the selection on its first row to show.
    const QScreen* screen = QApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (settings.fillWorkArea) {
        setGeometry(area);
    } else {
        resize(800, 600 + bar->sizeHint().height());
        move(area.center() - rect().center());
    }
    m_query->setSql(settings.selection);
    m_query->open();
    if (settings.startId < 0 || !m_query->locateId(settings.startId))
        m_query->first();
    setWindowTitle(settings.baseTitle);
    updateButtons();
}

TPreviewImage::~TPreviewImage() = default;

void TPreviewImage::open(const Settings& settings, QWidget* parent)
{
    TPreviewImage viewer(settings, parent);
    viewer.exec();
}

QString TPreviewImage::currentTitle() const
{
    return m_query->isEmpty() ? QString() : m_query->field(QStringLiteral("Title")).asString();
}

int TPreviewImage::rowCount() const
{
    return m_query->recordCount();
}

void TPreviewImage::loadCurrent()
{
    m_file.clear();
    QImage picture;
    if (!m_query->isEmpty()) {
        m_file =
            m_settings.kind.path(m_settings.databaseFolder, m_query->field(QStringLiteral("Id")).asInteger());
        if (QFileInfo::exists(m_file)) {
            BusyCursor busy;
            picture = readPicture(m_file);
        } else {
            Messages::error(missingMessage(m_file));
        }
    }
    m_canvas->setPicture(picture);
    setWindowTitle(m_settings.baseTitle + QStringLiteral(" (") + currentTitle() + QLatin1Char(')'));
    updateButtons();
}

void TPreviewImage::layOut()
{
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);
    const QSize frame = m_scroll->viewport()->size();
    const PictureLayout::Placement placed = PictureLayout::preview(m_zoom, frame, m_canvas->picture().size());
    if (placed.extent.isEmpty()) {
        m_canvas->setPictureRect({});
        m_canvas->resize(frame);
        return;
    }
    m_canvas->resize(placed.extent.expandedTo(frame));
    m_canvas->setPictureRect(placed.picture);
}

void TPreviewImage::setZoom(PictureLayout::Zoom zoom)
{
    m_zoom = zoom;
    layOut();
}

void TPreviewImage::updateButtons()
{
    const int rows = m_query->recordCount();
    const int row = m_query->currentRow();
    const bool several = rows >= 2;
    m_first->setEnabled(several && row > 0);
    m_prior->setEnabled(several && row > 0);
    m_next->setEnabled(several && row < rows - 1);
    m_last->setEnabled(several && row < rows - 1);
    const bool present = !m_file.isEmpty() && QFileInfo::exists(m_file);
    m_print->setEnabled(present && lentPrinting());
    m_save->setEnabled(present);
}

void TPreviewImage::goTo(void (Dataset::*step)())
{
    ((*m_query).*step)();
    loadCurrent();
    layOut();
}

void TPreviewImage::Btn_FirstClick()
{
    goTo(&Dataset::first);
}
void TPreviewImage::Btn_PriorClick()
{
    goTo(&Dataset::prior);
}
void TPreviewImage::Btn_NextClick()
{
    goTo(&Dataset::next);
}
void TPreviewImage::Btn_LastClick()
{
    goTo(&Dataset::last);
}

void TPreviewImage::Btn_SaveClick()
{
    if (!QFileInfo::exists(m_file)) {
        Messages::error(missingMessage(m_file));
        return;
    }
    const QString title = currentTitle();
    SaveImageFileAs(m_file, title.isEmpty() ? QStringLiteral("*.jpg") : title + QStringLiteral(".jpg"));
}

std::optional<PreparedReport> TPreviewImage::currentPage()
{
    if (!QFileInfo::exists(m_file)) {
        Messages::error(missingMessage(m_file));
        return std::nullopt;
    }
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);
    BusyCursor busy;
    const QImage picture = readPicture(m_file);
    if (picture.isNull())
        throw AppError(QStringLiteral("Le fichier \"%1\" n'est pas une image JPEG lisible.").arg(m_file));
    return PictureReport::prepare(picture, windowTitle());
}

void TPreviewImage::Btn_PrintClick()
{
    if (!lentPrinting())
        return;
    PictureReport::Pictures pictures;
    pictures.jobName = m_settings.baseTitle;
    pictures.count = rowCount();
    pictures.shown = m_query->currentRow();
    pictures.shownPresent = QFileInfo::exists(m_file);
    pictures.shownPage = [this] { return currentPage(); };
    pictures.leave = [this] { hide(); };
    pictures.pageAt = [this](int row) {
        m_query->moveTo(row);
        loadCurrent();
        layOut();
        return currentPage();
    };
    pictures.done = [this] { accept(); };
    lentPrinting()(pictures, this);
}

void TPreviewImage::lendPrinting(PictureReport::Printing printing)
{
    lentPrinting() = std::move(printing);
}

void TPreviewImage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    loadCurrent();
    layOut();
}

void TPreviewImage::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible())
        layOut();
}

void TPreviewImage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        m_grip->setVisible(!isMaximized());
    QDialog::changeEvent(event);
}

bool TPreviewImage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        QScrollBar* bar = m_scroll->verticalScrollBar();
        const int notches = wheel->angleDelta().y() / 120;
        bar->setValue(bar->value() - notches * kWheelSteps * bar->singleStep());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
