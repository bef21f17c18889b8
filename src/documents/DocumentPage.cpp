#include "DocumentPage.h"

#include "BitmapQt.h"
#include "BmpFormat.h"
#include "BusyCursor.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "FileDialogs.h"
#include "FileDocuments.h"
#include "FormWidgets.h"
#include "GridPanel.h"
#include "ImageDocuments.h"
#include "ImageStore.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "MailCommands.h"
#include "Messages.h"
#include "ProgramState.h"
#include "RowEditing.h"
#include "SaveImageFile.h"
#include "TDataModule1.h"
#include "TEnterDocument.h"
#include "TPreviewImage.h"
#include "TWait.h"

#include <memory>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kGridIcon = 14;

QString missingFileText(const QString& firstLine, const QString& path)
{
    return firstLine + QStringLiteral("\r\rLe fichier \"") + path +
           QStringLiteral("\" a sans doute été supprimé manuellement et n'est plus accessible.");
}

// The progress window of a long archive copy: shown for large files, its
// bar following the bytes; the windows keep painting meanwhile.
class CopyProgress
{
public:
    static constexpr qint64 kShownFrom = 8'000'000;

    CopyProgress(const QString& task, const QString& fileName, qint64 size)
    {
        if (size < kShownFrom)
            return;
        m_wait = std::make_unique<TWait>(QApplication::activeWindow());
        m_wait->setTask(task);
        m_wait->setMessage(fileName);
        m_wait->setBarVisible(true);
        m_wait->setTotal(kSteps);
        m_wait->centreInWorkArea();
        m_wait->show();
        m_message = fileName;
        QApplication::processEvents();
        m_timer.start();
    }

    Cabinet::Progress callback()
    {
        if (!m_wait)
            return {};
        return [this](qint64 done, qint64 total) {
            const int step = total > 0 ? int(done * kSteps / total) : kSteps;
            while (m_wait->counter() < step)
                m_wait->step(m_message, TWait::Line::Message);
            if (m_timer.elapsed() > 40) {
                QApplication::processEvents();
                m_timer.restart();
            }
            return true;
        };
    }

private:
    static constexpr int kSteps = 100;
    std::unique_ptr<TWait> m_wait;
    QString m_message;
    QElapsedTimer m_timer;
};

// The icon column of the files grid: the stored icon at 14 x 14 on white,
// one pixel in from the corner.
class FileIconDelegate : public QStyledItemDelegate
{
public:
    FileIconDelegate(Dataset& files, QObject* parent) : QStyledItemDelegate(parent), m_files(files) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->fillRect(option.rect, Qt::white);
        if (!m_files.isActive() || index.row() >= m_files.recordCount())
            return;
        const QByteArray blob =
            m_files.fieldAt(index.row(), m_files.fieldIndex(QStringLiteral("FileIcon"))).asBytes();
        if (blob.isEmpty())
            return;
        auto cached = m_icons.constFind(blob);
        if (cached == m_icons.cend()) {
            QPixmap icon;
            try {
                Bitmap bitmap = BmpFormat::decode(blob);
                ResizeBitmap(bitmap, kGridIcon, kGridIcon);
                icon = QPixmap::fromImage(toQImage(bitmap));
            } catch (const AppError&) {
                // An icon that does not read leaves the cell white.
            }
            cached = m_icons.insert(blob, icon);
        }
        painter->drawPixmap(option.rect.topLeft() + QPoint(1, 1), *cached);
    }

private:
    Dataset& m_files;
    mutable QHash<QByteArray, QPixmap> m_icons;
};

// A context-menu entry that does what its button does, enabled like it.
QAction* menuEntry(QMenu* menu, const char* name, const QString& caption, QPushButton* button)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (button) {
        connectCommand(action, &QAction::triggered, button, [button] { button->click(); });
        QObject::connect(menu, &QMenu::aboutToShow, action,
                         [action, button] { action->setEnabled(button->isEnabled()); });
    }
    return action;
}

QLabel* bandTitle(const QString& text, QWidget* parent)
{
    auto* title = new QLabel(text, parent);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("background: #3163d4; color: white; padding: 3px;"));
    return title;
}

} // namespace

DocumentPage::DocumentPage(TDataModule1& dm, QWidget* parent) : PersonPage(parent), m_dm(dm)
{
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(buildFileBand());
    splitter->addWidget(buildImageBand());
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addWidget(splitter);
    buildImageMenu();
}

QWidget* DocumentPage::buildFileBand()
{
    auto* band = new QWidget(this);
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Document_File");
    s.accessibleName = QStringLiteral("Fichiers");
    s.query = &m_dm.DocumentFile;
    s.columns = {
        {.title = QStringLiteral(" "),
         .field = QStringLiteral("FileIcon"),
         .width = kGridIcon + 8,
         .sizing = GridColumn::Sizing::Fixed,
         .namedBy = QStringLiteral("FileType"),
         .delegate = [this](QObject* grid) { return new FileIconDelegate(m_dm.DocumentFile, grid); }},
        {QStringLiteral("Nom"), QStringLiteral("FileName"), 0, GridColumn::Sizing::Stretch},
        {QStringLiteral("Type"), QStringLiteral("FileType"), 220},
        {QStringLiteral("Taille"), QStringLiteral("FileSize"), 90}};
    s.filterLine = FileDocuments::personFilter(-1).replace(QStringLiteral("-1"), QStringLiteral("%1"));
    s.ownerId = [this] { return personId(); };
    s.add = {QStringLiteral("Btn_Document_File_Add"),
             {},
             QStringLiteral("Ajouter"),
             style()->standardIcon(QStyle::SP_FileDialogNewFolder)};
    s.remove = {QStringLiteral("Btn_Document_File_Delete"),
                {},
                QStringLiteral("Supprimer"),
                style()->standardIcon(QStyle::SP_TrashIcon)};
    s.deleteQuestion = QStringLiteral("Confirmez-vous la suppression de ce fichier ?");
    s.initNewRow = [this](Dataset& row) {
        row.field(QStringLiteral("Id_File")).setAsInteger(0);
        row.field(QStringLiteral("Id_Ref")).setAsInteger(personId());
        row.field(QStringLiteral("DoType")).setAsInteger(1);
    };
    s.runEntry = [this](QWidget*, Dataset& row) { return attachChosenFile(row); };
    m_files = new GridPanel(std::move(s), band);
    connect(m_files, &GridPanel::changed, this, &PersonPage::commandsChanged);

    const auto hasFiles = [this] { return m_files->hasRows(); };
    QPushButton* exe = m_files->addButton(
        {QStringLiteral("Btn_Document_File_Exe"),
         {},
         QStringLiteral("Exécuter"),
         style()->standardIcon(QStyle::SP_MediaPlay)},
        [this] { Btn_Document_File_ExeClick(); }, hasFiles);
    QPushButton* save = m_files->addButton(
        {QStringLiteral("Btn_Document_File_Save"),
         {},
         QStringLiteral("Enregistrer le document sous .."),
         style()->standardIcon(QStyle::SP_DialogSaveButton)},
        [this] { Btn_Document_File_SaveClick(); }, hasFiles);
    m_fileEmail = m_files->addButton(
        {QStringLiteral("Btn_Document_File_Email"),
         {},
         QStringLiteral("Envoyer par email"),
         style()->standardIcon(QStyle::SP_CommandLink)},
        [this] { Btn_Document_File_EmailClick(); },
        [this] { return m_files->hasRows() && MailCommands::available(program().settings); });

    DatasetGrid* grid = m_files->grid();
    grid->setShowGrid(true);
    grid->verticalHeader()->setDefaultSectionSize(
        qMax(grid->verticalHeader()->defaultSectionSize(), kGridIcon + 6));
    connectCommand(grid, &QAbstractItemView::doubleClicked, this, [exe] {
        if (exe->isEnabled())
            exe->click();
    });
    // The Delete key released on the grid deletes, as the button does.
    grid->installEventFilter(this);

    auto* menu = new QMenu(grid);
    menu->setObjectName(QStringLiteral("Popup_Document_File"));
    auto* remove = grid->parentWidget()->findChild<QPushButton*>(QStringLiteral("Btn_Document_File_Delete"));
    menuEntry(menu, "Popup_Document_File_Add", QStringLiteral("&Ajouter un fichier"),
              m_files->findChild<QPushButton*>(QStringLiteral("Btn_Document_File_Add")));
    // There is no editing of a stored file: a changed file is added again.
    menuEntry(menu, "Popup_Document_File_Edit", QStringLiteral("&Modifier ce fichier"), nullptr)
        ->setVisible(false);
    menuEntry(menu, "Popup_Document_File_Delete", QStringLiteral("&Supprimer ce fichier"), remove);
    menu->addSeparator();
    menuEntry(menu, "Popup_Document_File_Exe", QStringLiteral("&Exécuter"), exe);
    menu->addSeparator();
    menuEntry(menu, "Popup_Document_File_Save", QStringLiteral("&Enregistrer le document sous .."), save);
    menuEntry(menu, "Popup_Document_File_Email", QStringLiteral("Envoyer par e&mail"), m_fileEmail);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, menu,
            [menu, grid](const QPoint& at) { menu->popup(grid->viewport()->mapToGlobal(at)); });

    auto* layout = new QVBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bandTitle(QStringLiteral("F I C H I E R S"), band));
    layout->addWidget(m_files, 1);
    return band;
}

QWidget* DocumentPage::buildImageBand()
{
    auto* band = new QWidget(this);
    m_images = new QListWidget(band);
    m_images->setObjectName(QStringLiteral("ListView_Document_Img"));
    m_images->setAccessibleName(QStringLiteral("Images"));
    m_images->setViewMode(QListView::IconMode);
    m_images->setIconSize(QSize(ImageDocuments::kThumbnailSize, ImageDocuments::kThumbnailSize));
    m_images->setGridSize(QSize(ImageDocuments::kThumbnailSize + 34, ImageDocuments::kThumbnailSize + 40));
    m_images->setMovement(QListView::Static);
    m_images->setResizeMode(QListView::Adjust);
    m_images->setWordWrap(true);
    m_images->setSelectionMode(QAbstractItemView::SingleSelection);
    m_images->setMouseTracking(true);
    connect(m_images, &QListWidget::itemEntered, this,
            [this] { m_images->viewport()->setCursor(Qt::PointingHandCursor); });
    connect(m_images, &QListWidget::viewportEntered, this, [this] { m_images->viewport()->unsetCursor(); });
    connect(m_images, &QListWidget::itemSelectionChanged, this, &PersonPage::commandsChanged);

    m_imgAdd =
        FormWidgets::pictureButton(band, QStringLiteral("Btn_Document_Img_Add"),
                                   QStringLiteral("Ajouter une image"), QStyle::SP_FileDialogNewFolder);
    m_imgEdit =
        FormWidgets::pictureButton(band, QStringLiteral("Btn_Document_Img_Edit"),
                                   QStringLiteral("Modifier cette image"), QStyle::SP_FileDialogDetailedView);
    m_imgDelete = FormWidgets::pictureButton(band, QStringLiteral("Btn_Document_Img_Delete"),
                                             QStringLiteral("Supprimer cette image"), QStyle::SP_TrashIcon);
    m_imgView = FormWidgets::pictureButton(band, QStringLiteral("Btn_Document_Img_Exe"),
                                           QStringLiteral("Visualiser"), QStyle::SP_FileDialogContentsView);
    m_imgSave = FormWidgets::pictureButton(band, QStringLiteral("Btn_Document_Img_Save"),
                                           QStringLiteral("Enregistrer le document sous .."),
                                           QStyle::SP_DialogSaveButton);
    m_imgEmail = FormWidgets::pictureButton(band, QStringLiteral("Btn_Document_Img_Email"),
                                            QStringLiteral("Envoyer par email"), QStyle::SP_CommandLink);
    connectCommand(m_imgAdd, &QPushButton::clicked, this, [this] { Btn_Document_Img_AddClick(); });
    connectCommand(m_imgEdit, &QPushButton::clicked, this, [this] { Btn_Document_Img_EditClick(); });
    connectCommand(m_imgDelete, &QPushButton::clicked, this, [this] { Btn_Document_Img_DeleteClick(); });
    connectCommand(m_imgSave, &QPushButton::clicked, this, [this] { Btn_Document_Img_SaveClick(); });
    connectCommand(m_imgView, &QPushButton::clicked, this, [this] { Btn_Document_Img_ExeClick(); });
    connectCommand(m_imgEmail, &QPushButton::clicked, this, [this] { Btn_Document_Img_EmailClick(); });
    connectCommand(m_images, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_imgView->isEnabled())
            m_imgView->click();
    });

    auto* strip = new QVBoxLayout;
    for (QPushButton* button : {m_imgAdd, m_imgEdit, m_imgDelete, m_imgView, m_imgSave, m_imgEmail})
        strip->addWidget(button);
    strip->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(m_images, 1);
    row->addLayout(strip);
    auto* layout = new QVBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bandTitle(QStringLiteral("I M A G E S"), band));
    layout->addLayout(row, 1);
    return band;
}

void DocumentPage::buildImageMenu()
{
    auto* menu = new QMenu(m_images);
    menu->setObjectName(QStringLiteral("Popup_Document_Img"));
    menuEntry(menu, "Popup_Document_Img_Add", QStringLiteral("&Ajouter un document"), m_imgAdd);
    menuEntry(menu, "Popup_Document_Img_Edit", QStringLiteral("&Modifier ce document"), m_imgEdit);
    menuEntry(menu, "Popup_Document_Img_Delete", QStringLiteral("&Supprimer ce document"), m_imgDelete);
    menuEntry(menu, "Popup_Document_Img_Print", QStringLiteral("&Visualiser  et imprimer"), m_imgView);
    menuEntry(menu, "Popup_Document_Img_Save", QStringLiteral("&Enregistrer le document sous .."), m_imgSave);
    menuEntry(menu, "Popup_Document_Img_Email", QStringLiteral("Envoyer par e&mail"), m_imgEmail);
    m_images->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_images, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint& at) { menu->popup(m_images->viewport()->mapToGlobal(at)); });
}

bool DocumentPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_files->grid() && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        auto* remove = m_files->findChild<QPushButton*>(QStringLiteral("Btn_Document_File_Delete"));
        if (remove->isEnabled())
            runGuarded([this] { m_files->deleteRow(); });
        return true;
    }
    return PersonPage::eventFilter(watched, event);
}

int DocumentPage::personId() const
{
    return DatasetUtils::currentId(m_dm.Person);
}

int DocumentPage::selectedImageId() const
{
    const QList<QListWidgetItem*> selected = m_images->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->data(kIdRole).toInt();
}

void DocumentPage::refreshPage(int rowId)
{
    BusyCursor busy;
    m_files->reload(rowId);
    loadImages();
}

void DocumentPage::leavePage()
{
    m_files->close();
    m_images->clear();
}

void DocumentPage::refreshCommandStates(bool hasPerson)
{
    m_files->refreshStates(hasPerson);
    const bool selected = hasPerson && selectedImageId() >= 0;
    m_imgAdd->setEnabled(hasPerson);
    m_imgEdit->setEnabled(selected);
    m_imgDelete->setEnabled(selected);
    m_imgSave->setEnabled(selected);
    m_imgView->setEnabled(selected);
    // Sending needs the e-mail settings; incomplete ones disable it without a word.
    m_imgEmail->setEnabled(selected && MailCommands::available(program().settings));
}

QListWidgetItem* DocumentPage::addImageItem(int id, const QString& title, const QByteArray& thumbnail)
{
    auto* item = new QListWidgetItem(title);
    item->setData(kIdRole, id);
    item->setToolTip(title);
    try {
        if (!thumbnail.isEmpty())
            item->setIcon(QIcon(QPixmap::fromImage(toQImage(BmpFormat::decode(thumbnail)))));
    } catch (const AppError&) {
        // A thumbnail that does not read leaves its item without a picture.
    }
    m_images->addItem(item);
    return item;
}

void DocumentPage::loadImages()
{
    m_images->setUpdatesEnabled(false);
    m_images->clear();
    Dataset& d = m_dm.DocumentImg;
    d.close();
    d.setWhereLine(ImageDocuments::personFilter(personId()));
    d.open();
    const int id = d.fieldIndex(QStringLiteral("Id"));
    const int title = d.fieldIndex(QStringLiteral("Title"));
    const int thumbnail = d.fieldIndex(QStringLiteral("ImgMini"));
    for (int row = 0; row < d.recordCount(); ++row)
        addImageItem(d.fieldAt(row, id).asInteger(), d.fieldAt(row, title).asString(),
                     d.fieldAt(row, thumbnail).asBytes());
    d.close();
    m_images->setUpdatesEnabled(true);
}

bool DocumentPage::attachChosenFile(Dataset& row)
{
    FileDialogs::Request request;
    request.title = QStringLiteral("Sélectionnez un fichier");
    request.filter = QStringLiteral("Tous|*.*");
    const QString chosen = FileDialogs::choose(request);
    if (chosen.isEmpty())
        return false;
    const QFileInfo file(chosen);
    if (!file.isFile()) {
        Messages::error(QStringLiteral("Fichier \"%1\" introuvable.").arg(file.fileName()));
        return false;
    }
    BusyCursor busy;
    CopyProgress progress(QStringLiteral("Archivage du fichier"), file.fileName(), file.size());
    FileDocuments::attach(row, chosen, m_dm.databaseFolder(), progress.callback());
    return true;
}

QString DocumentPage::archiveOfCurrentFile(const QString& missingTitle)
{
    if (!m_files->hasRows())
        return {};
    const QString archive = m_dm.documentFile(m_files->currentId());
    if (QFileInfo::exists(archive))
        return archive;
    Messages::error(missingFileText(missingTitle, archive));
    return {};
}

void DocumentPage::Btn_Document_File_ExeClick()
{
    const QString archive = archiveOfCurrentFile(QStringLiteral("IMPOSSIBLE D'EXECUTER CE FICHIER !"));
    if (!archive.isEmpty()) {
        const QString name = m_files->query().field(QStringLiteral("FileName")).asString();
        const QString target = FileDocuments::readingFolder() + FileDocuments::bareFileName(name);
        {
            BusyCursor busy;
            CopyProgress progress(QStringLiteral("Ouverture du fichier"), name, QFileInfo(archive).size());
            FileDocuments::extractCopy(archive, target, true, progress.callback());
        }
        QDesktopServices::openUrl(QUrl::fromLocalFile(target));
    }
    emit commandsChanged();
}

void DocumentPage::Btn_Document_File_SaveClick()
{
    const QString archive = archiveOfCurrentFile(QStringLiteral("IMPOSSIBLE DE TROUVER CE FICHIER !"));
    if (archive.isEmpty())
        return;
    const Dataset& q = m_files->query();
    const QString name = q.field(QStringLiteral("FileName")).asString();
    const QString extension = QFileInfo(name).suffix();
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer sous ...");
    request.defaultExtension = extension;
    request.filter = q.field(QStringLiteral("FileType")).asString() + QStringLiteral("|*") +
                     (extension.isEmpty() ? QString() : QLatin1Char('.') + extension);
    request.fileName = FileDocuments::bareFileName(name);
    const QString chosen = FileDialogs::choose(request);
    if (!chosen.isEmpty() &&
        (!QFileInfo::exists(chosen) ||
         Messages::ask(QStringLiteral("Souhaitez-vous remplacer le fichier %1 existant.").arg(chosen)))) {
        BusyCursor busy;
        CopyProgress progress(QStringLiteral("Enregistrement du fichier"), name, QFileInfo(archive).size());
        FileDocuments::extractCopy(archive, chosen, false, progress.callback());
    }
    emit commandsChanged();
}

// A stored picture that is missing or unreadable leaves the dialog without
// one: Ok waits for a new picture.
bool DocumentPage::enterDocument(Dataset& row, int storedId, bool* pictureChanged)
{
    const ImageStoreSettings settings{program().settings.maxWidth, program().settings.jpegQuality};
    TEnterDocument dialog(row, m_dm.databaseFolder(), settings, window());
    Bitmap stored;
    if (storedId >= 0 && LoadJpegFile(stored, m_dm.documentImageFile(storedId), true))
        dialog.setPicture(stored);
    const bool saved = dialog.exec() == QDialog::Accepted;
    if (pictureChanged)
        *pictureChanged = dialog.pictureChanged();
    return saved;
}

void DocumentPage::Btn_Document_Img_AddClick()
{
    const int person = personId();
    if (person < 0)
        return;
    RowEditing::ScopedRow document(m_dm.DocumentImg, ImageDocuments::documentFilter(-1));
    if (RowEditing::add(
            document.row(), [person](Dataset& row) { ImageDocuments::initNewRow(row, person); },
            [this](Dataset& row) { return enterDocument(row, -1); })) {
        const Dataset& d = document.row();
        m_images->setCurrentItem(addImageItem(d.field(QStringLiteral("Id")).asInteger(),
                                              d.field(QStringLiteral("Title")).asString(),
                                              d.field(QStringLiteral("ImgMini")).asBytes()));
    }
    emit commandsChanged();
}

void DocumentPage::Btn_Document_Img_EditClick()
{
    const int id = selectedImageId();
    if (id < 0 || !m_imgEdit->isEnabled())
        return;
    RowEditing::ScopedRow document(m_dm.DocumentImg, ImageDocuments::documentFilter(id));
    if (!document.found()) {
        // Gone meanwhile: show what is there now.
        loadImages();
        emit commandsChanged();
        return;
    }
    bool pictureChanged = false;
    const bool saved = RowEditing::change(
        document.row(), [&](Dataset& row) { return enterDocument(row, id, &pictureChanged); });
    QListWidgetItem* item = m_images->selectedItems().value(0);
    if (saved && item) {
        const Dataset& d = document.row();
        item->setText(d.field(QStringLiteral("Title")).asString());
        item->setToolTip(item->text());
        if (pictureChanged)
            item->setIcon(QIcon(QPixmap::fromImage(
                toQImage(BmpFormat::decode(d.field(QStringLiteral("ImgMini")).asBytes())))));
    }
    emit commandsChanged();
}

void DocumentPage::Btn_Document_Img_DeleteClick()
{
    const int id = selectedImageId();
    if (id < 0 || !m_imgDelete->isEnabled() ||
        !Messages::ask(QStringLiteral("Confirmez-vous la suppression de ce document ?")))
        return;
    // The thumbnails show what is there afterwards, whatever became of the deletion.
    const auto shown = qScopeGuard([this] {
        loadImages();
        emit commandsChanged();
    });
    RowEditing::ScopedRow document(m_dm.DocumentImg, ImageDocuments::documentFilter(id));
    if (document.found())
        document.row().remove();
}

void DocumentPage::Btn_Document_Img_ExeClick()
{
    const int id = selectedImageId();
    if (id >= 0)
        TPreviewImage::open(TPreviewImage::documents(m_dm.databaseFolder(), personId(), id), window());
}

void DocumentPage::viewImageDocument(int id)
{
    for (int row = 0; row < m_images->count(); ++row) {
        QListWidgetItem* item = m_images->item(row);
        if (item->data(kIdRole).toInt() == id) {
            m_images->setCurrentItem(item);
            emit commandsChanged();
            Btn_Document_Img_ExeClick();
            return;
        }
    }
}

void DocumentPage::Btn_Document_Img_EmailClick()
{
    const int id = selectedImageId();
    if (id >= 0)
        MailCommands::sendImageDocument(window(), program().settings, m_dm.documentImageFile(id),
                                        cleanFileName(m_images->selectedItems().first()->text()));
}

void DocumentPage::Btn_Document_File_EmailClick()
{
    if (!m_files->hasRows())
        return;
    const Dataset& files = m_files->query();
    const QString archive = m_dm.documentFile(m_files->currentId());
    QIcon icon;
    try {
        const QByteArray stored = files.field(QStringLiteral("FileIcon")).asBytes();
        if (!stored.isEmpty())
            icon = QIcon(QPixmap::fromImage(toQImage(BmpFormat::decode(stored))));
    } catch (const AppError&) {
        // A stored icon that does not read leaves the standard one.
    }
    MailCommands::sendFileDocument(
        window(), program().settings, archive, files.field(QStringLiteral("FileName")).asString(),
        files.field(QStringLiteral("FileType")).asString(),
        files.field(QStringLiteral("FileSize")).asString(), icon,
        [archive](const QString& target) { FileDocuments::extractCopy(archive, target, false); });
}

void DocumentPage::Btn_Document_Img_SaveClick()
{
    const int id = selectedImageId();
    if (id >= 0 && m_imgSave->isEnabled())
        SaveImageFileAs(m_dm.documentImageFile(id), m_images->selectedItems().first()->text());
    emit commandsChanged();
}
