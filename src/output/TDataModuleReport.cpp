#include "TDataModuleReport.h"

#include "CareQueries.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "Money.h"
#include "Product.h"
#include "ReportEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

using CareQueries::ActKind;

namespace {

// A report dataset as the engine reads it: typed values of the fetched rows.
class DatasetSource : public ReportDataSource
{
public:
    explicit DatasetSource(const Dataset& dataset) : m_dataset(dataset) {}

    bool isOpen() const override { return m_dataset.isActive(); }
    int rowCount() const override { return m_dataset.isActive() ? m_dataset.recordCount() : 0; }
    int columnIndex(const QString& name) const override { return m_dataset.fieldIndex(name); }
    ReportValue value(int row, int column) const override
    {
        const Field f = m_dataset.fieldAt(row, column);
        if (f.isNull())
            return {};
        using T = Schema::ColumnType;
        switch (f.type()) {
        case T::Currency:
            return ReportValue::ofMoney(f.asMoney());
        case T::Double:
        case T::Single:
            return ReportValue::ofNumber(f.asDouble());
        case T::AutoIncrement:
        case T::Long:
        case T::Short:
        case T::Byte:
            return ReportValue::ofNumber(f.asInteger());
        case T::DateTime:
            return ReportValue::ofDate(f.asDate());
        case T::YesNo:
            return ReportValue::ofBoolean(f.asBoolean());
        case T::Bytes:
            return ReportValue::ofBytes(f.asBytes());
        case T::Text:
        case T::Memo:
            break;
        }
        return ReportValue::ofText(f.asString());
    }

private:
    const Dataset& m_dataset;
};

QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList l;
    for (const char* t : texts)
        l << QString::fromUtf8(t);
    return l;
}

QString idText(int id)
{
    return QString::number(id);
}

// A chart as the layouts receive it: drawn on white, kept in the data
// folder for the time of the report.
void writeChart(const QImage& chart, const QSize& size, const QString& path)
{
    if (!TDataModuleReport::chartOnWhite(chart, size).save(path, "BMP"))
        throw FileError(QStringLiteral("Impossible d'écrire le fichier \"%1\".").arg(path));
}

void setPictureFromFile(Report& report, const QString& name, const QString& path)
{
    if (report.layout().hasPicture(name) && QFileInfo::exists(path))
        report.setPicture(name, QImage(path));
}
} // namespace

struct TDataModuleReport::Sources
{
    DatasetSource main;
    DatasetSource consult;
    DatasetSource pharmacy;
    DatasetSource vaccine;
    DatasetSource weight;
    DatasetSource event;
};

TDataModuleReport::TDataModuleReport(const QString& reportsFolder, const QString& dataFolder, QObject* parent)
    : QObject(parent), m_reports(reportsFolder), m_data(dataFolder)
{
    setObjectName(QStringLiteral("DataModuleReport"));
    designStatements();
    // An aggregate made in braces, which make_unique cannot forward to.
    // NOLINTNEXTLINE(modernize-make-unique)
    m_sources.reset(new Sources{DatasetSource(ReportQuery), DatasetSource(ReportQueryConsult),
                                DatasetSource(ReportQueryPharmacy), DatasetSource(ReportQueryVaccine),
                                DatasetSource(ReportQueryWeight), DatasetSource(ReportQueryEvent)});
}

QImage TDataModuleReport::chartOnWhite(const QImage& chart, QSize size)
{
    QImage picture(size, QImage::Format_RGB888);
    picture.fill(Qt::white);
    if (!chart.isNull()) {
        QPainter painter(&picture);
        painter.drawImage(QRect(QPoint(0, 0), size), chart);
    }
    return picture;
}

TDataModuleReport::~TDataModuleReport()
{
    closeAll();
}

Dataset& TDataModuleReport::make(const QString& name)
{
    return *new Dataset(name, this);
}

void TDataModuleReport::designStatements()
{
    const QString actColumns = QStringLiteral(
        "SELECT ACTION.Id, ACTION.Id_Ref, ACTION.Id_Org, ACTION.%1, ACTION.Date_Action, ACTION.Time_Action, "
        "ACTION.Remark1, ACTION.Remark2, ACTION.Gravity, ACTION.Price, ACTION.Category, ACTION.Duration, "
        "ACTION.Repeat, ACTION.Repayment, ACTION.Date_Repayment, ACTION.Price_Repayment, "
        "ACTION.Repayment_Comp, "
        "ACTION.Date_Repayment_Comp, ACTION.Price_Repayment_Comp, %2");
    ReportQueryConsult.setSql(QStringList{
        actColumns.arg(
            QStringLiteral("Id_Illness"),
            QStringLiteral("LST_DOCTOR.Name as [DoctorName], LST_DOCTOR.Category as [DoctorCategory], "
                           "LST_DOCTOR.Convention as [DoctorConvention], LST_ILLNESS.Title as "
                           "[IllnessTitle], LST_ILLNESS.Gravity as [IllnessGravity]")),
        QStringLiteral(
            "FROM ([ACTION] LEFT JOIN LST_DOCTOR ON ACTION.Id_Org = LST_DOCTOR.Id) LEFT JOIN LST_ILLNESS "
            "ON ACTION.Id_Illness = LST_ILLNESS.Id"),
        QStringLiteral("WHERE Action.Id_Ref=-1"), QStringLiteral("ORDER BY DATE_ACTION, TIME_ACTION")});
    ReportQueryPharmacy.setSql(QStringList{
        actColumns.arg(
            QStringLiteral("Id_Drug"),
            QStringLiteral("LST_PHARMACY.Name as [PharmacyName], LST_PHARMACY.Category as "
                           "[PharmacyCategory], LST_DRUG.Title as [DrugTitle], LST_DRUG.Category as "
                           "[DrugCategory]")),
        QStringLiteral(
            "FROM ([ACTION] LEFT JOIN LST_PHARMACY ON ACTION.Id_Org = LST_PHARMACY.Id) LEFT JOIN LST_DRUG "
            "ON ACTION.Id_Drug = LST_DRUG.Id"),
        QStringLiteral("WHERE Action.Id_Ref=-1"), QStringLiteral("ORDER BY DATE_ACTION, TIME_ACTION")});
    ReportQueryVaccine.setSql(lines(
        {"SELECT VACCINE.Id, VACCINE.Id_Ref, VACCINE.Id_Org, VACCINE.Id_Vaccine, VACCINE.Date_Vaccine, "
         "VACCINE.Time_Vaccine, VACCINE.Remark1, VACCINE.Repeat_Date, VACCINE.Repeat_Exe, LST_DOCTOR.Name as "
         "[DoctorName], LST_DOCTOR.Category as [DoctorCategory], LST_VACCINE.Title as [VaccineTitle], "
         "LST_VACCINE.Category as [VaccineCategory]",
         "FROM ([VACCINE] LEFT JOIN LST_DOCTOR ON VACCINE.Id_Org = LST_DOCTOR.Id) LEFT JOIN LST_VACCINE ON "
         "VACCINE.Id_Vaccine = LST_VACCINE.Id",
         "WHERE Vaccine.Id_Ref=-1", "ORDER BY DATE_VACCINE, TIME_VACCINE"}));
    ReportQueryWeight.setSql(lines({"SELECT WEIGHT.Id, WEIGHT.Id_File, WEIGHT.Id_Ref, WEIGHT.Date_Weight, "
                                    "WEIGHT.Time_Weight, WEIGHT.Weight, WEIGHT.Remark",
                                    "FROM WEIGHT", "WHERE Weight.Id_Ref=-1", "ORDER BY DATE_WEIGHT"}));
    ReportQueryEvent.setSql(lines({"SELECT EVENT.Date_Event as [DateEvent], EVENT.Time_Event as [TimeEvent], "
                                   "EVENT.Description",
                                   "FROM EVENT", "WHERE Event.Id_Ref=-1", "ORDER BY EVENT.Date_Event"}));
    // What each payer still owes, for the sums of the reminder tables.
    CareQueries::addNoRepayment(ReportQueryConsult);
    CareQueries::addNoRepayment(ReportQueryPharmacy);
}

QString TDataModuleReport::titleVariable(const QString& title)
{
    static const QString from = QStringLiteral("éèêëàâäùûüôöîïç");
    static const QString to = QStringLiteral("eeeeaaauuuooiic");
    QString result = title;
    for (QChar& c : result) {
        if (const qsizetype i = from.indexOf(c); i >= 0)
            c = to.at(i);
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

std::optional<QString> TDataModuleReport::variable(const QString& upperName) const
{
    if (upperName == QLatin1String("CURRENCYSYMBOL"))
        return Money::currencySymbol();
    if (upperName == QLatin1String("TITLE"))
        return m_title;
    if (upperName == QLatin1String("PERSON"))
        return m_person;
    if (upperName == QLatin1String("PROGRAM"))
        return Product::name + QLatin1Char(' ') + Product::version;
    return std::nullopt;
}

Report TDataModuleReport::report(const QString& baseName, const QString& title) const
{
    Report r(ReportLayout::load(m_reports + baseName + QStringLiteral(".frf")));
    r.setTitle(title);
    r.addDataset(QStringLiteral("frDBDataSet"), &m_sources->main);
    r.addDataset(QStringLiteral("frDSConsult"), &m_sources->consult);
    r.addDataset(QStringLiteral("frDSPharmacy"), &m_sources->pharmacy);
    r.addDataset(QStringLiteral("frDSVaccine"), &m_sources->vaccine);
    r.addDataset(QStringLiteral("frDSWeight"), &m_sources->weight);
    r.addDataset(QStringLiteral("frDSEvent"), &m_sources->event);
    r.setVariables([this](const QString& name) { return variable(name); });
    return r;
}

void TDataModuleReport::setPerson(int personId)
{
    Dataset person(QStringLiteral("ReportPerson"));
    person.setSql(QStringLiteral("SELECT Name, ForeName FROM PERSON WHERE Id=") + idText(personId));
    person.open();
    m_person = person.isEmpty() ? QString()
                                : (person.field(QStringLiteral("Name")).asString() + QLatin1Char(' ') +
                                   person.field(QStringLiteral("ForeName")).asString())
                                      .trimmed();
}

void TDataModuleReport::closeAll()
{
    for (Dataset* d : findChildren<Dataset*>(Qt::FindDirectChildrenOnly))
        d->close();
}

PreparedReport TDataModuleReport::healthRecord(int personId, const ChartPicture& charts,
                                               const Progress& progress)
{
    const QString weightFile = m_data + QStringLiteral("weight.bmp");
    const QString sizeFile = m_data + QStringLiteral("size.bmp");
    // The queries close and the chart files go whatever happens.
    const auto cleanUp = [&] {
        closeAll();
        QFile::remove(weightFile);
        QFile::remove(sizeFile);
    };
    try {
        setPerson(personId);
        if (charts) {
            writeChart(charts(personId, Chart::Weight, kRecordChartSize), kRecordChartSize, weightFile);
            writeChart(charts(personId, Chart::Size, kRecordChartSize), kRecordChartSize, sizeFile);
        }
        DatasetUtils::Clauses clauses;
        clauses.where = QStringLiteral("Id=") + idText(personId);
        ReportQuery.setSql(
            DatasetUtils::statementFromFile(m_reports + QStringLiteral("Fich.rpt"), true, clauses));
        ReportQuery.open();
        const QString id = idText(personId);
        for (const auto& [dataset, where] :
             {std::pair{&ReportQueryConsult,
                        QStringLiteral("WHERE ") + CareQueries::actsOf(ActKind::Consultation, personId)},
              std::pair{&ReportQueryPharmacy,
                        QStringLiteral("WHERE ") + CareQueries::actsOf(ActKind::Pharmacy, personId)},
              std::pair{&ReportQueryVaccine, QStringLiteral("WHERE Vaccine.Id_Ref=") + id},
              std::pair{&ReportQueryWeight, QStringLiteral("WHERE Weight.Id_Ref=") + id},
              std::pair{&ReportQueryEvent, QStringLiteral("WHERE Event.Id_Ref=") + id}})
            DatasetUtils::replaceWhereLine(*dataset, where);
        Report r = report(QStringLiteral("Fich"), QStringLiteral("Carnet de santé"));
        setPictureFromFile(r, QStringLiteral("Img_Chart_Weight"), weightFile);
        setPictureFromFile(r, QStringLiteral("Img_Chart_Size"), sizeFile);
        PreparedReport prepared = r.prepare(progress);
        cleanUp();
        return prepared;
    } catch (...) {
        cleanUp();
        throw;
    }
}

std::optional<PreparedReport> TDataModuleReport::listReport(const QString& baseName, const QString& title,
                                                            const QString& where, int personId,
                                                            const Progress& progress)
{
    m_title = titleVariable(title);
    try {
        setPerson(personId);
        const QString templateFile = m_reports + baseName + QStringLiteral(".rpt");
        if (QFileInfo::exists(templateFile)) {
            DatasetUtils::Clauses clauses;
            clauses.where = where;
            ReportQuery.setSql(DatasetUtils::statementFromFile(templateFile, true, clauses));
            ReportQuery.open();
            if (ReportQuery.isEmpty()) {
                ReportQuery.close();
                return std::nullopt;
            }
        }
        PreparedReport prepared = report(baseName, title).prepare(progress);
        ReportQuery.close();
        return prepared;
    } catch (...) {
        ReportQuery.close();
        throw;
    }
}

std::optional<PreparedReport> TDataModuleReport::actsHistory(int personId, const Progress& progress)
{
    return listReport(QStringLiteral("ConsultList"), QStringLiteral("Historique des actes"),
                      CareQueries::actsOf(ActKind::Consultation, personId), personId, progress);
}

std::optional<PreparedReport> TDataModuleReport::medicinesHistory(int personId, const Progress& progress)
{
    return listReport(QStringLiteral("PharmacyList"), QStringLiteral("Historique des médicaments"),
                      CareQueries::actsOf(ActKind::Pharmacy, personId), personId, progress);
}

PreparedReport TDataModuleReport::reminderTables(int personId, const Progress& progress)
{
    try {
        setPerson(personId);
        const QString id = idText(personId);
        DatasetUtils::replaceWhereLine(
            ReportQueryConsult,
            QStringLiteral("WHERE (Action.Repayment=false or Action.Repayment_Comp=false) and ") +
                CareQueries::actsOf(ActKind::Consultation, personId));
        DatasetUtils::replaceWhereLine(
            ReportQueryPharmacy,
            QStringLiteral("WHERE (Action.Repayment=false or Action.Repayment_Comp=false) and ") +
                CareQueries::actsOf(ActKind::Pharmacy, personId));
        DatasetUtils::replaceWhereLine(
            ReportQueryVaccine, QStringLiteral("WHERE Vaccine.Repeat_Exe=True AND Vaccine.Id_Ref=") + id);
        PreparedReport prepared =
            report(QStringLiteral("TableList"), QStringLiteral("Tableaux de rappel")).prepare(progress);
        closeAll();
        return prepared;
    } catch (...) {
        closeAll();
        throw;
    }
}

PreparedReport TDataModuleReport::chartReport(const QImage& chart, const QString& chartTitle,
                                              const QString& personText, const Progress& progress)
{
    const QString title = chartTitle.section(QLatin1Char('\n'), 0, 0).trimmed() + QStringLiteral(" (") +
                          personText + QLatin1Char(')');
    m_title = titleVariable(title);
    m_person = personText;
    const QString file = m_data + QStringLiteral("temp.bmp");
    try {
        writeChart(chart, kChartPrintSize, file);
        Report r = report(QStringLiteral("Stat"), title);
        setPictureFromFile(r, QStringLiteral("Img_Stat"), file);
        PreparedReport prepared = r.prepare(progress);
        QFile::remove(file);
        return prepared;
    } catch (...) {
        QFile::remove(file);
        throw;
    }
}
