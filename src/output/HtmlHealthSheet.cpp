#include "Assessment.h"
#include "Bitmap.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Cabinet.h"
#include "CareQueries.h"
#include "Dataset.h"
#include "Errors.h"
#include "FileUtils.h"
#include "HtmlExport.h"
#include "HtmlSections.h"
#include "ImageTransforms.h"
#include "StoredFiles.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

// The health sheet: the whole record of a person on one page, with its
// charts, attached files and picture pages beside it.
namespace HtmlExport {

using Html::Table;
using Cell = Table::Cell;
using CareQueries::ActKind;
using namespace Sections;

namespace {

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
        return QStringLiteral("WHERE %1=%2").arg(column, QString::number(m_person));
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
                             .arg(table, QString::number(m_person), column.toUpper()));
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
        d.setWhereLine(QStringLiteral("WHERE ") + CareQueries::actsOf(kind, m_person));
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
            const QString archive = StoredFiles::attachedFile(m_sources.databaseFolder, document);
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
            const QString problem =
                copyPicture(StoredFiles::documentPicture(m_sources.databaseFolder, document), fullSize);
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

QString writeHealthSheet(int personId, const QString& folder, const Sources& sources)
{
    return HealthSheet(personId, folder, sources).write();
}

} // namespace HtmlExport
