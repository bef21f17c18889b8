#include "HtmlExport.h"

#include "AppIcon.h"
#include "Assessment.h"
#include "Bitmap.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Cabinet.h"
#include "CareQueries.h"
#include "Dataset.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "FileUtils.h"
#include "ImageError.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "TDataModule2.h"

#include <cerrno>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <unistd.h>

namespace HtmlExport {

using Html::Table;
using Cell = Table::Cell;
using CareQueries::ActKind;

namespace {

QString id(int value)
{
    return QString::number(value);
}

QString cantPrepare(const QString& folder, int error)
{
    return QStringLiteral("Impossible de préparer le dossier \"%1\" : %2.\rLa page HTML n'a pas été créée.")
        .arg(folder, FileUtils::systemReason(error));
}

// A cell of user text, after a blank.
Cell spaced(const QString& plain)
{
    return {Html::nbsp + Html::text(plain)};
}

Cell plain(const QString& text)
{
    return {Html::text(text)};
}

// The mark that stands for a file the export could not take.
QString mark(const QString& text)
{
    return QStringLiteral(" <font color=\"#CC0000\">(%1)</font>").arg(Html::text(text));
}

QString money(const Field& amount)
{
    return Html::money(amount.asMoney());
}

Cell repayment(const Dataset& d, int row, int date, int amount)
{
    return {Html::text(d.fieldAt(row, date).asString()) + Html::nbsp + Html::nbsp +
                money(d.fieldAt(row, amount)) + Html::nbsp,
            true};
}

void openStatement(Dataset& d, const QString& statement)
{
    d.setSql(statement);
    d.open();
}

// Cabinets, thumbnails and pictures are read whole into memory: a damaged
// one must not stop the page.
Bitmap decodeBmp(const QByteArray& bytes)
{
    try {
        return toBgr24(BmpFormat::decode(bytes));
    } catch (const ImageError&) {
        return {};
    }
}

void writeJpeg(const Bitmap& picture, const QString& path)
{
    writeFile(path, encodeJpeg(picture, 100));
}

// ---- tables shared by the health sheet and the tables pages -------------

QString actsTable(const Dataset& d, ActKind kind)
{
    const bool consult = kind == ActKind::Consultation;
    QList<Table::Column> columns{
        {QStringLiteral("Date"), 1}, {QStringLiteral("heure"), 1}, {QStringLiteral("Montant"), 1}};
    if (consult)
        columns += {{QStringLiteral("Praticien"), 20},
                    {QStringLiteral("Maladie"), 20},
                    {QStringLiteral("Gravité"), 15}};
    else
        columns += {{QStringLiteral("Pharmacie"), 20}, {QStringLiteral("Médicaments"), 20}};
    columns += {{QStringLiteral("Remboursement<br/>sécurité sociale"), 10},
                {QStringLiteral("Remboursement<br/>caisse complém."), 10}};
    Table table(columns);
    const auto f = [&d](const char* name) { return d.fieldIndex(QString::fromLatin1(name)); };
    const int date = f("Date_Action"), time = f("Time_Action"), price = f("Price"),
              gravity = f("ACTION.Gravity");
    const int org = f(consult ? "Doctor" : "Pharmacy"), what = f(consult ? "Illness" : "Drug");
    const int secuDate = f("Date_Repayment"), secu = f("Price_Repayment");
    const int compDate = f("Date_Repayment_Comp"), comp = f("Price_Repayment_Comp");
    for (int row = 0; row < d.recordCount(); ++row) {
        QList<Cell> cells{plain(d.fieldAt(row, date).asString()),
                          plain(d.fieldAt(row, time).asString()),
                          {money(d.fieldAt(row, price)), true},
                          plain(d.fieldAt(row, org).asString()),
                          plain(d.fieldAt(row, what).asString())};
        if (consult)
            cells << plain(d.fieldAt(row, gravity).asString());
        cells << repayment(d, row, secuDate, secu) << repayment(d, row, compDate, comp);
        table.addRow(cells);
    }
    return table.html();
}

QString boostersTable(const Dataset& d)
{
    Table table({{QStringLiteral("Date de rappel"), 20},
                 {QStringLiteral("Vaccin"), 40},
                 {QStringLiteral("Dernière vaccination"), 40}});
    const int date = d.fieldIndex(QStringLiteral("Repeat_Date")),
              vaccine = d.fieldIndex(QStringLiteral("Vaccin")), last = d.fieldIndex(QStringLiteral("Last"));
    for (int row = 0; row < d.recordCount(); ++row)
        table.addRow({plain(d.fieldAt(row, date).asString()), plain(d.fieldAt(row, vaccine).asString()),
                      plain(d.fieldAt(row, last).asString())});
    return table.html();
}

void addSection(Html::Page& page, const QString& title, const Dataset& rows, const QString& emptyText,
                const std::function<QString()>& table)
{
    page.section(title);
    page.band(title);
    if (rows.isEmpty())
        page.empty(emptyText);
    else
        page.add(table());
}

// ---- the health sheet ----------------------------------------------------

class HealthSheet
{
public:
    HealthSheet(int personId, const QString& folder, const Sources& sources)
        : m_person(personId), m_folder(folder), m_sources(sources)
    {
    }

    QString write()
    {
        Dataset person;
        openPerson(person, m_person);
        writePhoto(person.field(QStringLiteral("ImgMini1")).asBytes(), 80,
                   m_folder + QStringLiteral("face.jpg"));
        m_page.section(QStringLiteral("INFORMATIONS GENERALES"));
        m_page.band(QStringLiteral("INFORMATIONS GENERALES"));
        m_page.add(personBlock(person, 80, {}, true));
        measures(TDataModuleReport::Chart::Weight, person);
        measures(TDataModuleReport::Chart::Size, person);
        custom(person);
        acts(ActKind::Consultation);
        acts(ActKind::Pharmacy);
        vaccines();
        events();
        files();
        pictures();
        const QString index = m_folder + kIndex;
        writeFile(index, m_page.finish());
        return index;
    }

private:
    QString where(const QString& column) const
    {
        return QStringLiteral("WHERE %1=%2").arg(column, id(m_person));
    }

    // The centile of each measure of a child; none at all for a person the
    // references do not cover.
    QList<std::optional<GrowthReference::Assessment>> centiles(const Dataset& person, const Dataset& d,
                                                               int date, int value,
                                                               GrowthReference::Indicator indicator) const
    {
        QList<std::optional<GrowthReference::Assessment>> all;
        const std::optional<QDate> birth =
            GrowthReference::birthDate(person.field(QStringLiteral("BirthDay_Date")).asString());
        const int sex = person.fieldIndex(QStringLiteral("Sex"));
        if (!m_sources.references || !birth || sex < 0)
            return all;
        bool any = false;
        for (int row = 0; row < d.recordCount(); ++row) {
            all.append(GrowthReference::assess(
                *m_sources.references, indicator, GrowthReference::sexFromCode(person.field(sex).asInteger()),
                *birth, {d.fieldAt(row, date).asDate(), d.fieldAt(row, value).asDouble()}));
            any = any || all.constLast();
        }
        return any ? all : QList<std::optional<GrowthReference::Assessment>>();
    }

    void measures(TDataModuleReport::Chart chart, const Dataset& person)
    {
        const bool weight = chart == TDataModuleReport::Chart::Weight;
        const QString table = weight ? QStringLiteral("WEIGHT") : QStringLiteral("[SIZE]");
        const QString column = weight ? QStringLiteral("Weight") : QStringLiteral("Size");
        const QString title = weight ? QStringLiteral("P O I D S") : QStringLiteral("T A I L L E");
        Dataset d;
        openStatement(d, QStringLiteral("SELECT * FROM %1 WHERE Id_Ref=%2 ORDER BY DATE_%3")
                             .arg(table, id(m_person), column.toUpper()));
        addSection(m_page, title, d, QStringLiteral("AUCUNE MESURE"), [&] {
            const int date = d.fieldIndex(QStringLiteral("Date_") + column), value = d.fieldIndex(column),
                      remark = d.fieldIndex(QStringLiteral("Remark"));
            const auto centile =
                centiles(person, d, date, value,
                         weight ? GrowthReference::Indicator::Weight : GrowthReference::Indicator::Height);
            QList<Table::Column> columns{{QStringLiteral("Date"), 1}, {QStringLiteral("Valeur"), 15}};
            if (!centile.isEmpty())
                columns << Table::Column{QStringLiteral("Centile"), 15};
            columns << Table::Column{QStringLiteral("Observations"), centile.isEmpty() ? 85 : 70};
            Table values(columns);
            for (int row = 0; row < d.recordCount(); ++row) {
                QList<Cell> cells{plain(d.fieldAt(row, date).asString()),
                                  {Html::decimal(d.fieldAt(row, value).asDouble(), weight ? 3 : 2) +
                                       (weight ? QStringLiteral(" kg") : QStringLiteral(" cm")) + Html::nbsp,
                                   true}};
                if (!centile.isEmpty()) {
                    const auto& a = centile.at(row);
                    const QString text = a ? Html::text(a->text()) : QString();
                    cells << Cell{a && a->outside()
                                      ? QStringLiteral("<font color=\"#CC0000\">%1</font>").arg(text)
                                      : text};
                }
                cells << plain(d.fieldAt(row, remark).asString());
                values.addRow(cells);
            }
            QString html = values.html();
            if (m_sources.charts) {
                const QString file = weight ? QStringLiteral("weight.bmp") : QStringLiteral("size.bmp");
                const QImage picture = TDataModuleReport::chartOnWhite(
                    m_sources.charts(m_person, chart, kChartSize), kChartSize);
                writeFile(m_folder + file, BmpFormat::encode(fromQImage(picture)));
                html += QStringLiteral(
                            "<br/><center><table border=\"1\" bordercolor=\"#DFDFDF\" cellspacing=\"0\" "
                            "cellpadding=\"0\"><tr><td>%1</td></tr></table></center>\n")
                            .arg(Html::image(file, kChartSize.width(), kChartSize.height()));
            }
            return html;
        });
    }

    void custom(const Dataset& person)
    {
        Dataset labels;
        openStatement(labels, QStringLiteral("SELECT * FROM CUSTOMLAB"));
        const auto label = [&labels](int k) {
            const QString name = QStringLiteral("Misc%1").arg(k, 2, 10, QLatin1Char('0'));
            return labels.isEmpty() ? QString() : labels.field(name).asString();
        };
        const auto value = [&person](int k) {
            return person.field(QStringLiteral("Misc%1").arg(k, 2, 10, QLatin1Char('0'))).asString();
        };
        m_page.section(QStringLiteral("INFORMATIONS PERSONNALISEES"));
        m_page.band(QStringLiteral("INFORMATIONS PERSONNALISEES"));
        for (int k = 1; k <= 9; k += 2) {
            Table pair({{Html::text(label(k)), 50}, {Html::text(label(k + 1)), 50}});
            pair.addRow({spaced(value(k)), spaced(value(k + 1))});
            m_page.add(pair.html());
        }
        for (int k : {11, 12}) {
            Table single({{Html::text(label(k)), 20}});
            single.addRow({spaced(value(k))});
            m_page.add(single.html());
        }
    }

    void acts(ActKind kind)
    {
        const bool consult = kind == ActKind::Consultation;
        Dataset d;
        d.setSql(CareQueries::actStatement(kind));
        CareQueries::addActTexts(d, kind);
        d.setWhereLine(
            QStringLiteral("WHERE ACTION.TAG=%1 AND ACTION.ID_REF=%2").arg(consult ? 1 : 2).arg(m_person));
        d.open();
        addSection(m_page, consult ? QStringLiteral("ACTES") : QStringLiteral("MEDICAMENTS"), d,
                   consult ? QStringLiteral("AUCUN ACTE") : QStringLiteral("AUCUN MEDICAMENT"),
                   [&] { return actsTable(d, kind); });
    }

    void vaccines()
    {
        Dataset d;
        d.setSql(CareQueries::vaccineStatement(false));
        CareQueries::addVaccineTexts(d, false);
        d.setWhereLine(where(QStringLiteral("VACCINE.Id_Ref")));
        d.open();
        addSection(m_page, QStringLiteral("VACCINS"), d, QStringLiteral("AUCUNE VACCINATION"), [&] {
            Table table({{QStringLiteral("Date de vaccination"), 1},
                         {QStringLiteral("Date de rappel"), 1},
                         {QStringLiteral("Praticien"), 20},
                         {QStringLiteral("Vaccin"), 20},
                         {QStringLiteral("Observations"), 20}});
            const auto f = [&d](const char* name) { return d.fieldIndex(QString::fromLatin1(name)); };
            const int date = f("Date_Vaccine"), booster = f("Repeat_Date"), doctor = f("Doctor"),
                      vaccine = f("Vaccin"), remark = f("Remark1");
            for (int row = 0; row < d.recordCount(); ++row)
                table.addRow(
                    {plain(d.fieldAt(row, date).asString()), plain(d.fieldAt(row, booster).asString()),
                     plain(d.fieldAt(row, doctor).asString()), plain(d.fieldAt(row, vaccine).asString()),
                     plain(d.fieldAt(row, remark).asString())});
            return table.html();
        });
    }

    void events()
    {
        Dataset d;
        openStatement(
            d, QStringLiteral("SELECT * FROM EVENT WHERE Id_Ref=%1 ORDER BY DATE_EVENT").arg(m_person));
        addSection(m_page, QStringLiteral("EVENEMENTS"), d, QStringLiteral("AUCUN EVENEMENT"), [&] {
            Table table({{QStringLiteral("Date"), 1}, {QStringLiteral("Description"), 100}});
            const int date = d.fieldIndex(QStringLiteral("Date_Event")),
                      text = d.fieldIndex(QStringLiteral("Description"));
            for (int row = 0; row < d.recordCount(); ++row)
                table.addRow(
                    {plain(d.fieldAt(row, date).asString()), plain(d.fieldAt(row, text).asString())});
            return table.html();
        });
    }

    // The safe, unique name an attached file is written under: never one of
    // the export's own files, never a folder part.
    QString attachmentName(const QString& stored, int documentId)
    {
        static const QRegularExpression own(
            QStringLiteral(
                R"(^(index\.htm|face\.jpg|weight\.bmp|size\.bmp|fileicon\d+\.jpg|doc\d+\.(jpg|htm)|)"
                R"(docfullsize\d+\.jpg)$)"),
            QRegularExpression::CaseInsensitiveOption);
        QString name = FileUtils::bareFileName(stored);
        for (QChar& c : name)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = QLatin1Char('_');
        if (own.match(name).hasMatch() || m_attachments.contains(name.toLower()))
            name = QStringLiteral("%1_%2").arg(documentId).arg(name);
        m_attachments.insert(name.toLower());
        return name;
    }

    void files()
    {
        Dataset d;
        openStatement(d, QStringLiteral("SELECT Id, FileIcon, FileName, FileType, FileSize FROM DOCUMENTFILE "
                                        "WHERE Id_Ref=%1 ORDER BY Id")
                             .arg(m_person));
        m_page.section(QStringLiteral("DOCUMENT(S) FICHIER(S)"));
        m_page.documentBand(QStringLiteral("DOCUMENT(S) FICHIER(S)"));
        if (d.isEmpty()) {
            m_page.empty(QStringLiteral("Pas de document \"fichier\""), 1);
            return;
        }
        Table table({{QString(), 1},
                     {QStringLiteral("Nom"), 50},
                     {QStringLiteral("Type"), 35},
                     {QStringLiteral("Taille"), 15}},
                    {QStringLiteral("#DDDDDD"), QStringLiteral("#000000"), QStringLiteral("#F4F4F4")});
        const auto f = [&d](const char* name) { return d.fieldIndex(QString::fromLatin1(name)); };
        const int idField = f("Id"), icon = f("FileIcon"), fileName = f("FileName"), type = f("FileType"),
                  size = f("FileSize");
        for (int row = 0; row < d.recordCount(); ++row) {
            const int document = d.fieldAt(row, idField).asInteger();
            QString iconHtml;
            const Bitmap iconPicture = decodeBmp(d.fieldAt(row, icon).asBytes());
            if (!iconPicture.isEmpty()) {
                const QString iconFile = QStringLiteral("FileIcon%1.jpg").arg(document);
                writeJpeg(iconPicture, m_folder + iconFile);
                iconHtml = Html::image(iconFile, 16, 16);
            }
            const QString stored = d.fieldAt(row, fileName).asString();
            const QString name = attachmentName(stored, document);
            const QString archive = m_sources.databaseFolder + QStringLiteral("Files/File%1.f").arg(document);
            QString nameHtml;
            if (!QFileInfo::exists(archive)) {
                nameHtml = Html::text(stored) + mark(QStringLiteral("fichier introuvable"));
            } else {
                try {
                    Cabinet::extractEntry(archive, 0, m_folder + name);
                    nameHtml =
                        QStringLiteral("<a href=\"%1\">%2</a>").arg(Html::link(name), Html::text(stored));
                } catch (const CabinetError&) {
                    // Said in the page, and the rest goes on; the page may
                    // travel, so the local path stays out of it.
                    nameHtml =
                        Html::text(stored) + mark(QStringLiteral("archive endommagée, fichier non extrait"));
                } catch (const FileError&) {
                    nameHtml = Html::text(stored) + mark(QStringLiteral("fichier non extrait"));
                }
            }
            table.addRow({{iconHtml},
                          {nameHtml},
                          plain(d.fieldAt(row, type).asString()),
                          plain(d.fieldAt(row, size).asString())});
        }
        m_page.add(table.html());
    }

    void pictures()
    {
        Dataset d;
        openStatement(d,
                      QStringLiteral("SELECT Id, Title, ImgMini FROM DOCUMENTIMG WHERE Id_Ref=%1 ORDER BY Id")
                          .arg(m_person));
        m_page.section(QStringLiteral("DOCUMENT(S) IMAGE(S)"));
        m_page.documentBand(QStringLiteral("DOCUMENT(S) IMAGE(S)"));
        if (d.isEmpty()) {
            m_page.empty(QStringLiteral("Pas de document \"image\" "), 1);
            return;
        }
        const int idField = d.fieldIndex(QStringLiteral("Id")),
                  titleField = d.fieldIndex(QStringLiteral("Title")),
                  thumbnailField = d.fieldIndex(QStringLiteral("ImgMini"));
        // Four documents a row: their thumbnails, then their titles under them.
        QString html =
            QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"3\" cellpadding=\"0\">\n");
        QString thumbnails;
        QString titles;
        const auto endRow = [&](int filled) {
            for (int k = filled; k < 4; ++k) {
                thumbnails += QStringLiteral("<td width=\"25%\"></td>");
                titles += QStringLiteral("<td width=\"25%\"></td>");
            }
            html += QStringLiteral("<tr>") + thumbnails + QStringLiteral("</tr>\n<tr>") + titles +
                    QStringLiteral("</tr>\n");
            thumbnails.clear();
            titles.clear();
        };
        for (int row = 0; row < d.recordCount(); ++row) {
            const int document = d.fieldAt(row, idField).asInteger();
            const QString title = d.fieldAt(row, titleField).asString();
            const QByteArray thumbnailBytes = d.fieldAt(row, thumbnailField).asBytes();
            Bitmap thumbnail = decodeBmp(thumbnailBytes);
            QString marks;
            if (thumbnail.isEmpty()) {
                if (!thumbnailBytes.isEmpty())
                    marks += mark(QStringLiteral("vignette illisible"));
                thumbnail = thumbnailOnWhite({}, 10, 10);
            }
            const QString thumbnailFile = QStringLiteral("doc%1.jpg").arg(document);
            writeJpeg(thumbnail, m_folder + thumbnailFile);
            QString picture = Html::image(thumbnailFile, 90, 90, 1);
            const QString pictureFile = QStringLiteral("doc%1.htm").arg(document);
            const QString fullSize = QStringLiteral("docfullsize%1.jpg").arg(document);
            const QString problem = copyPicture(
                m_sources.databaseFolder + QStringLiteral("Images/Doc%1.jpg").arg(document), fullSize);
            if (problem.isEmpty()) {
                writeFile(m_folder + pictureFile, Html::picturePage(title, fullSize));
                picture = QStringLiteral("<a href=\"%1\">%2</a>")
                              .arg(Html::popupLink(pictureFile, 600, 500), picture);
            } else {
                marks += mark(problem);
            }
            thumbnails +=
                QStringLiteral("<td width=\"25%\" align=\"center\">") + picture + QStringLiteral("</td>");
            titles += QStringLiteral("<td width=\"25%\" align=\"center\" valign=\"top\">") +
                      Html::font(Html::text(title) + marks, 1) + QStringLiteral("</td>");
            if (row % 4 == 3)
                endRow(4);
        }
        if (d.recordCount() % 4 != 0)
            endRow(d.recordCount() % 4);
        m_page.add(html + QStringLiteral("</table>\n"));
    }

    // The stored picture as "docfullsize<Id>.jpg"; what keeps it from the
    // page (missing, unreadable), or nothing. A working folder that refuses
    // the copy stops the page.
    QString copyPicture(const QString& stored, const QString& fullSize)
    {
        bool exists = false;
        QByteArray bytes;
        try {
            bytes = FileUtils::readFile(stored, &exists);
        } catch (const FileError&) {
            return QStringLiteral("image illisible");
        }
        if (!exists)
            return QStringLiteral("image introuvable");
        writeFile(m_folder + fullSize, bytes);
        return {};
    }

    int m_person;
    QString m_folder;
    const Sources& m_sources;
    Html::Page m_page;
    QSet<QString> m_attachments;
};

} // namespace

QString workingFolder(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("Html/Temp/");
}

QString prepareFolder(const QString& dataFolder)
{
    const QString html = dataFolder + QStringLiteral("Html/");
    const QString temp = workingFolder(dataFolder);
    for (const QString& folder : {html, temp}) {
        if (!FileUtils::makeFolder(folder) || !QFileInfo(folder).isDir()) {
            const int error =
                QFileInfo::exists(folder.chopped(1)) && !QFileInfo(folder).isDir() ? ENOTDIR : errno;
            throw FileError(cantPrepare(folder, error ? error : EACCES));
        }
    }
    QStringList earlier;
    for (const char* mask : {"*.jpg", "*.bmp", "*.htm"})
        for (const QString& name : FileUtils::listFiles(temp, QString::fromLatin1(mask)))
            earlier << temp + name;
    if (!FileUtils::removeFiles(earlier).isEmpty())
        throw FileError(cantPrepare(temp, EACCES));
    // A folder that takes no new file says so now, before any page is half made.
    const QString probe = temp + QStringLiteral(".brivoline-write-test");
    const int fd = ::open(QFile::encodeName(probe).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        throw FileError(cantPrepare(temp, errno));
    ::close(fd);
    ::unlink(QFile::encodeName(probe).constData());
    return temp;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        throw FileError(FileUtils::cannotWrite(path, errno));
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(native.constData());
            throw FileError(FileUtils::cannotWrite(path, error));
        }
        done += n;
    }
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        ::unlink(native.constData());
        throw FileError(FileUtils::cannotWrite(path, error));
    }
}

void writePhoto(const QByteArray& thumbnail, int side, const QString& path)
{
    Bitmap photo = thumbnail.isEmpty() ? Bitmap() : decodeBmp(thumbnail);
    if (photo.isEmpty())
        photo = fromQImage(AppIcon::silhouette(side));
    Bitmap fitted;
    ShrinkToBox(fitted, photo, side, side);
    writeJpeg(toBgr24(fitted), path);
}

void openPerson(Dataset& person, int personId)
{
    person.setSql(QStringLiteral("SELECT * FROM PERSON WHERE Id=%1").arg(personId));
    person.open();
    if (person.isEmpty())
        throw DatabaseError(QStringLiteral("Ce carnet de santé n'existe plus."));
}

QString personBlock(const Dataset& person, int photoSide, const Html::TableLook& look, bool insurers)
{
    const auto value = [&person](const char* name) {
        return person.field(QString::fromLatin1(name)).asString();
    };
    Table names({{QStringLiteral("Nom"), 33},
                 {QStringLiteral("Prénom"), 33},
                 {QStringLiteral("N° de sécurité social"), 33}},
                look);
    names.addRow({spaced(value("Name")), spaced(value("ForeName")), spaced(value("No"))});
    Table birth({{QStringLiteral("Date et heure de naissance"), 45},
                 {QStringLiteral("Poids et taille de naissance"), 35},
                 {QStringLiteral("Groupe sanguin"), 20}},
                look);
    birth.addRow(
        {spaced(value("BirthDay_Date") + QStringLiteral(" - ") + value("BirthDay_Time") +
                QStringLiteral(" à ") + value("BirthDay_City")),
         {Html::nbsp + Html::decimal(person.field(QStringLiteral("BirthDay_Weight")).asDouble(), 3) +
          QStringLiteral(" Kg - ") +
          Html::decimal(person.field(QStringLiteral("BirthDay_Size")).asDouble(), 2) + QStringLiteral(" cm")},
         spaced(value("Blood"))});
    QString right = names.html() + birth.html();
    QString below;
    if (insurers) {
        Table orgs({{QStringLiteral("Organisme de sécurité social"), 50},
                    {QStringLiteral("Organisme complémentaire"), 50}},
                   look);
        orgs.addRow({spaced(value("Org_Secu")), spaced(value("Org_Comp"))});
        right += orgs.html();
        Table history({{QStringLiteral("Antécédants familliaux"), 100}}, look);
        history.addRow({spaced(value("Previous"))});
        below = history.html();
    }
    return QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"2\"><tr>"
                          "<td width=\"1%\" valign=\"top\">%1</td><td width=\"99%\" valign=\"top\">\n%2</td>"
                          "</tr></table>\n%3")
        .arg(Html::image(QStringLiteral("face.jpg"), photoSide, photoSide), right, below);
}

QString writeHealthSheet(int personId, const QString& folder, const Sources& sources)
{
    return HealthSheet(personId, folder, sources).write();
}

QString writeTables(TDataModule2& dm2, Tables which, int personId, const QString& folder)
{
    const QString person = id(personId);
    Html::Page page;
    const auto closeAll = [&dm2] {
        dm2.ConsultRepaymentQuery.close();
        dm2.PharmacyRepaymentQuery.close();
        dm2.RepeatVaccineQuery.close();
    };
    try {
        const auto actsSection = [&](ActKind kind, const QString& title, const QString& where) {
            Dataset& d =
                kind == ActKind::Consultation ? dm2.ConsultRepaymentQuery : dm2.PharmacyRepaymentQuery;
            DatasetUtils::replaceWhereLine(d, where);
            addSection(page, title, d,
                       kind == ActKind::Consultation ? QStringLiteral("AUCUN ACTE")
                                                     : QStringLiteral("AUCUN MEDICAMENT"),
                       [&] { return actsTable(d, kind); });
        };
        switch (which) {
        case Tables::ActsHistory:
            actsSection(ActKind::Consultation, QStringLiteral("HISTORIQUE DES ACTES"),
                        QStringLiteral("WHERE Action.Tag=1 AND Action.Id_Ref=") + person);
            break;
        case Tables::MedicinesHistory:
            actsSection(ActKind::Pharmacy, QStringLiteral("HISTORIQUE DES MEDICAMENTS"),
                        QStringLiteral("WHERE Action.Tag=2 AND Action.Id_Ref=") + person);
            break;
        case Tables::Reminders:
            actsSection(ActKind::Consultation, QStringLiteral("ACTES NON REMBOURSEES"),
                        QStringLiteral("WHERE (Action.Repayment=false or Action.Repayment_Comp=false) and "
                                       "Action.Tag=1  AND Action.Id_Ref=") +
                            person);
            actsSection(ActKind::Pharmacy, QStringLiteral("MEDICAMENTS NON REMBOURSES"),
                        QStringLiteral("WHERE (Action.Repayment=false or Action.Repayment_Comp=false) and "
                                       "Action.Tag=2 AND Action.Id_Ref=") +
                            person);
            DatasetUtils::replaceWhereLine(
                dm2.RepeatVaccineQuery,
                QStringLiteral("WHERE Vaccine.Repeat_Exe=True AND Vaccine.Id_Ref=") + person);
            addSection(page, QStringLiteral("RAPPELS DE VACCINATION"), dm2.RepeatVaccineQuery,
                       QStringLiteral("AUCUNE VACCINATION"),
                       [&] { return boostersTable(dm2.RepeatVaccineQuery); });
            break;
        }
        const QString index = folder + kIndex;
        writeFile(index, page.finish());
        closeAll();
        return index;
    } catch (...) {
        closeAll();
        throw;
    }
}

QStringList referencedFiles(const QString& folder, const QString& page)
{
    static const QRegularExpression reference(QStringLiteral(R"re((?:src|href)="([^"]*)")re"));
    QStringList found;
    QSet<QString> seen{page};
    QStringList pending{page};
    while (!pending.isEmpty()) {
        const QString current = pending.takeFirst();
        QFile file(folder + current);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(file.readAll());
        for (auto it = reference.globalMatch(html); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const Html::Popup popup = Html::parsePopupLink(m.captured(1));
            const QString target =
                popup.page.isEmpty() ? QUrl::fromPercentEncoding(m.captured(1).toUtf8()) : popup.page;
            // Only files of the folder itself: no address, no folder part.
            if (target.isEmpty() || target.contains(QLatin1Char(':')) || target.contains(QLatin1Char('/')) ||
                target.contains(QLatin1Char('\\')) || target == QLatin1String("..") ||
                seen.contains(target) || !QFileInfo(folder + target).isFile())
                continue;
            seen.insert(target);
            found << target;
            if (target.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
                pending << target;
        }
    }
    return found;
}

void saveCopy(const QString& page, const QString& target)
{
    const QFileInfo source(page);
    const QString folder = source.absolutePath() + QLatin1Char('/');
    const QString targetFolder = QFileInfo(target).absolutePath() + QLatin1Char('/');
    if (QFileInfo(targetFolder) != QFileInfo(folder))
        for (const QString& name : referencedFiles(folder, source.fileName()))
            FileUtils::copyFile(folder + name, targetFolder + name, true);
    if (QFileInfo(target) != source)
        FileUtils::copyFile(page, target, true);
}

} // namespace HtmlExport
