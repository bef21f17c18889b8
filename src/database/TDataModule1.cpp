#include "TDataModule1.h"

#include "CareQueries.h"
#include "Clock.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "FileUtils.h"
#include "Money.h"
#include "StoredFiles.h"
#include "Transaction.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kDesignMoneyFormat = QStringLiteral("#######0.00");

// The WHERE line a person's rows are designed with: it matches no row, and
// whoever opens the dataset puts the person's Id in its place first
// (DatasetUtils::replaceWhereLine).
constexpr const char* NoPersonYet = "WHERE ID_REF=-1";

QString personSelect()
{
    QStringList columns{QStringLiteral("Id"),
                        QStringLiteral("Id_File"),
                        QStringLiteral("Name"),
                        QStringLiteral("ForeName"),
                        QStringLiteral("BirthDay_Date"),
                        QStringLiteral("BirthDay_Time"),
                        QStringLiteral("BirthDay_City"),
                        QStringLiteral("BirthDay_Weight"),
                        QStringLiteral("BirthDay_Size"),
                        QStringLiteral("[No]"),
                        QStringLiteral("Blood"),
                        QStringLiteral("Org_Secu"),
                        QStringLiteral("Org_Comp"),
                        QStringLiteral("Previous"),
                        QStringLiteral("WeightMode"),
                        QStringLiteral("SizeMode"),
                        QStringLiteral("AnalysisMode")};
    for (int i = 1; i <= 12; ++i)
        columns << QStringLiteral("Misc%1").arg(i, 2, 10, QLatin1Char('0'));
    // None of the pictures (the small photo is 40 KB a person): the photo
    // frame reads its person's own row (TDataModule1::smallPhoto).
    columns << QStringLiteral("Comment1 as [Color]") << QStringLiteral("Custom00144243 as [Size]")
            << QStringLiteral("Sex");
    return QStringLiteral("SELECT ") + columns.join(QStringLiteral(", "));
}

QString whereIdRef(const QString& prefix, int personId)
{
    return prefix + QString::number(personId);
}
} // namespace

TDataModule1::TDataModule1(const DbConfig& config, QObject* parent)
    : QObject(parent), m_databaseFolder(config.databaseFolder)
{
    setObjectName(QStringLiteral("DataModule1"));
    designStatements();
    designFields();
    connectEvents();
    Connection::open(config);
}

TDataModule1::~TDataModule1()
{
    for (Dataset* d : findChildren<Dataset*>(Qt::FindDirectChildrenOnly))
        d->close();
    Connection::close();
}

Dataset& TDataModule1::make(const QString& name)
{
    return *new Dataset(name, this);
}

void TDataModule1::designStatements()
{
    using CareQueries::ActKind;
    const auto lines = [](std::initializer_list<const char*> texts) {
        QStringList l;
        for (const char* t : texts)
            l << QString::fromUtf8(t);
        return l;
    };
    Person.setSql(QStringList{personSelect(), QStringLiteral("FROM PERSON"),
                              QStringLiteral("ORDER BY NAME, FORENAME")});
    Action.setSql(lines({"SELECT * FROM [ACTION]", "ORDER BY DATE_ACTION, TIME_ACTION"}));
    ConsultQuery.setSql(CareQueries::actStatement(ActKind::Consultation));
    PharmacyQuery.setSql(CareQueries::actStatement(ActKind::Pharmacy));
    Vaccine.setSql(lines({"SELECT * FROM VACCINE", "ORDER BY DATE_VACCINE, TIME_VACCINE"}));
    VaccineQuery.setSql(CareQueries::vaccineStatement(false));
    Weight.setSql(lines({"SELECT * FROM WEIGHT", NoPersonYet, "ORDER BY DATE_WEIGHT"}));
    Size.setSql(lines({"SELECT * FROM [SIZE]", NoPersonYet, "ORDER BY DATE_SIZE"}));
    Lst_Analysis.setSql(lines({"SELECT * FROM LST_ANALYSIS", "ORDER BY TITLE"}));
    L_Analysis.setSql(
        lines({"SELECT *", "FROM L_ANALYSIS", "WHERE L_ANALYSIS.Id_Analysis>-1", "ORDER BY TITLE"}));
    Analysis.setSql(lines({"SELECT * FROM [ANALYSIS]", NoPersonYet, "ORDER BY DATE_ANALYSIS"}));
    Event.setSql(lines({"SELECT * FROM EVENT", NoPersonYet, "ORDER BY DATE_EVENT, TIME_EVENT"}));
    DocumentImg.setSql(lines({"SELECT * FROM DOCUMENTIMG", NoPersonYet}));
    DocumentFile.setSql(lines({"SELECT * FROM DOCUMENTFILE", NoPersonYet}));
    Lst_Doctor.setSql(lines({"SELECT * FROM LST_DOCTOR", "ORDER BY NAME"}));
    Lst_Pharmacy.setSql(lines({"SELECT * FROM LST_PHARMACY", "ORDER BY NAME"}));
    Lst_Drug.setSql(lines({"SELECT * FROM LST_DRUG", "ORDER BY TITLE"}));
    Lst_Illness.setSql(lines({"SELECT * FROM LST_ILLNESS", "ORDER BY TITLE"}));
    Lst_Vaccine.setSql(lines({"SELECT * FROM LST_VACCINE", "ORDER BY TITLE"}));
    ComboItems.setSql(lines({"SELECT * FROM COMBOITEMS"}));
    CustomLabel.setSql(lines({"SELECT * FROM CUSTOMLAB"}));
    Backup.setSql(lines({"SELECT * FROM BACKUP"}));
}

// Labels, formats and masks of the record fields; dates take the date mask
// by themselves.
void TDataModule1::designFields()
{
    using CareQueries::ActKind;
    CareQueries::addNoRepayment(Action);
    for (Dataset* acts : {&ConsultQuery, &PharmacyQuery})
        CareQueries::addNoRepayment(*acts);
    CareQueries::addActTexts(ConsultQuery, ActKind::Consultation);
    CareQueries::addActTexts(PharmacyQuery, ActKind::Pharmacy);
    CareQueries::addVaccineTexts(VaccineQuery, false);

    Person.setEditMask(QStringLiteral("BirthDay_Date"), EditMasks::date);
    Person.setEditMask(QStringLiteral("BirthDay_Time"), EditMasks::time);
    Person.setEditMask(QStringLiteral("No"), EditMasks::socialSecurityNumber);
    Person.setDisplayFormat(QStringLiteral("BirthDay_Weight"), QStringLiteral("#######0.000 Kg"));
    Person.setEditFormat(QStringLiteral("BirthDay_Weight"), QStringLiteral("#######0.000"));
    Person.setDisplayFormat(QStringLiteral("BirthDay_Size"), QStringLiteral("#######0.00 cm"));
    Person.setEditFormat(QStringLiteral("BirthDay_Size"), QStringLiteral("#######0.00"));
    const struct
    {
        const char* field;
        const char* label;
    } personLabels[] = {{"Name", "Nom"},
                        {"ForeName", "Prénom"},
                        {"BirthDay_Date", "Date de naissance"},
                        {"BirthDay_Time", "Heure de naissance"},
                        {"BirthDay_City", "Lieu de naissance"},
                        {"BirthDay_Weight", "Poids"},
                        {"BirthDay_Size", "Taille"},
                        {"No", "N° de sécurité social"},
                        {"Blood", "Groupe sanguin"},
                        {"Org_Secu", "Organisme de sécurité social"},
                        {"Org_Comp", "Organisme complémentaire"},
                        {"Previous", "Antécédents"}};
    for (const auto& l : personLabels)
        Person.setDisplayLabel(QString::fromUtf8(l.field), QString::fromUtf8(l.label));

    Weight.setDisplayFormat(QStringLiteral("Weight"), QStringLiteral("#######0.000 kg"));
    Weight.setEditFormat(QStringLiteral("Weight"), QStringLiteral("#######0.000"));
    Weight.setEditMask(QStringLiteral("Time_Weight"), EditMasks::time);
    Size.setDisplayFormat(QStringLiteral("Size"), QStringLiteral("#######0.00 cm"));
    Size.setEditFormat(QStringLiteral("Size"), QStringLiteral("#######0.00"));
    Size.setEditMask(QStringLiteral("Time_Size"), EditMasks::time);
    for (Dataset* measures : {&Weight, &Size})
        measures->setDisplayLabel(QStringLiteral("Remark"), QStringLiteral("Observations"));
    Analysis.setDisplayFormat(QStringLiteral("Value_Analysis"), QStringLiteral("#######0.00"));
    Analysis.setEditMask(QStringLiteral("Time_Analysis"), EditMasks::time);

    for (Dataset* acts : {&Action, &ConsultQuery, &PharmacyQuery}) {
        acts->setEditMask(QStringLiteral("Time_Action"), EditMasks::time);
        const struct
        {
            const char* field;
            const char* label;
        } actLabels[] = {{"Price", "Montant"},
                         {"Repayment", "Sécu"},
                         {"Price_Repayment", "Remb. sécu."},
                         {"Repayment_Comp", "Comp"},
                         {"Price_Repayment_Comp", "Remb. comp."},
                         {"NoRepayment", "Non remb."},
                         {"Gravity", "Gravité"},
                         {"Date_Repayment", "Date remb. sécu."},
                         {"Date_Repayment_Comp", "Date remb. comp."},
                         {"Date_Action", "Date"},
                         {"Time_Action", "Heure"}};
        for (const auto& l : actLabels)
            acts->setDisplayLabel(QString::fromUtf8(l.field), QString::fromUtf8(l.label));
    }
    Vaccine.setEditMask(QStringLiteral("Time_Vaccine"), EditMasks::time);
    VaccineQuery.setEditMask(QStringLiteral("Time_Vaccine"), EditMasks::time);
    Event.setEditMask(QStringLiteral("Time_Event"), EditMasks::time);
    Backup.setEditMask(QStringLiteral("TimeSav"), EditMasks::time);
    Backup.setDisplayLabel(QStringLiteral("Path"), QStringLiteral("Fichier de sauvegarde"));
    DocumentFile.setDisplayLabel(QStringLiteral("FileName"), QStringLiteral("Nom"));
    DocumentFile.setDisplayLabel(QStringLiteral("FileType"), QStringLiteral("Type"));
    DocumentFile.setDisplayLabel(QStringLiteral("FileSize"), QStringLiteral("Taille"));
    DocumentFile.setDisplayLabel(QStringLiteral("Remark"), QStringLiteral("Commentaires"));

    for (Dataset* money : {&Action, &ConsultQuery, &PharmacyQuery})
        for (const char* field : {"Price", "Price_Repayment", "Price_Repayment_Comp", "NoRepayment"})
            money->setDisplayFormat(QString::fromLatin1(field), kDesignMoneyFormat);
    for (const char* field : {"Price", "Price_Repayment", "Price_Repayment_Comp"})
        Action.setEditFormat(QString::fromLatin1(field), kDesignMoneyFormat);
}

void TDataModule1::applyMoneyFormats()
{
    const QString format = Money::displayFormat();
    for (Dataset* money : {&Action, &ConsultQuery, &PharmacyQuery})
        for (const char* field : {"Price", "Price_Repayment", "Price_Repayment_Comp", "NoRepayment"})
            money->setDisplayFormat(QString::fromLatin1(field), format);
}

void TDataModule1::connectEvents()
{
    Person.setOnNewRecord([this](Dataset& d) { newPerson(d); });
    Person.setAfterPost([this](Dataset&) {
        if (!m_personListSuspended)
            emit personSaved();
    });
    connect(&Person, &Dataset::currentChanged, this, &TDataModule1::personChanged);

    Action.setOnNewRecord([this](Dataset& d) { newAction(d); });
    // A document's file goes once its row is gone: a failure then leaves an
    // orphan file, never a row that names a missing file.
    const auto removeAfterDelete = [this](Dataset& documents, const std::function<QString(int)>& fileOf) {
        documents.setBeforeDelete([this, fileOf](Dataset& d) {
            m_fileOfDeletedRow = fileOf(d.field(QStringLiteral("Id")).asInteger());
        });
        documents.setAfterDelete(
            [this](Dataset&) { FileUtils::removeFile(std::exchange(m_fileOfDeletedRow, {})); });
    };
    removeAfterDelete(DocumentImg, [this](int id) { return documentImageFile(id); });
    removeAfterDelete(DocumentFile, [this](int id) { return documentFile(id); });
    L_Analysis.setBeforeDelete([](Dataset& d) {
        Dataset values(QStringLiteral("AnalysisValues"));
        DatasetUtils::runStatement(values, QStringLiteral("DELETE FROM ANALYSIS WHERE ANALYSIS.Id_Ref=") +
                                               QString::number(d.field(QStringLiteral("Id")).asInteger()));
    });
}

void TDataModule1::newPerson(Dataset& person)
{
    for (const char* memo : {"Org_Secu", "Org_Comp", "Previous", "Misc11", "Misc12"})
        person.field(QString::fromLatin1(memo)).setAsString(QString());
    // Saved at once, so the person has its Id before anything is typed; its
    // pictures, which the dataset does not read, then start empty as the
    // memos do (a failure in between leaves them null, which reads the same).
    person.post();
    QStringList emptied;
    for (int i = 1; i <= 4; ++i)
        emptied << QStringLiteral("ImgMini%1=X''").arg(i) << QStringLiteral("Img%1=X''").arg(i);
    Dataset pictures(QStringLiteral("NewPersonPictures"));
    DatasetUtils::runStatement(pictures, QStringLiteral("UPDATE PERSON SET %1 WHERE Id=%2")
                                             .arg(emptied.join(QStringLiteral(", ")))
                                             .arg(person.field(QStringLiteral("Id")).asInteger()));
    person.edit();
}

QByteArray TDataModule1::smallPhoto(int personId)
{
    Dataset row(QStringLiteral("PersonSmallPhoto"));
    row.setSql(QStringLiteral("SELECT ImgMini1 FROM PERSON WHERE Id=%1").arg(personId));
    row.open();
    return row.isEmpty() ? QByteArray() : row.field(0).asBytes();
}

void TDataModule1::newAction(Dataset& action)
{
    if (Person.isActive() && !Person.isEmpty())
        action.field(QStringLiteral("Id_Ref")).setAsInteger(Person.field(QStringLiteral("Id")).asInteger());
    action.field(QStringLiteral("Repayment")).setAsBoolean(false);
    action.field(QStringLiteral("Repayment_Comp")).setAsBoolean(false);
    action.field(QStringLiteral("Price_Repayment")).setAsDouble(0);
    action.field(QStringLiteral("Price_Repayment_Comp")).setAsDouble(0);
    action.field(QStringLiteral("Date_Action")).setAsDate(Clock::today());
}

QString TDataModule1::photoFile(int personId) const
{
    return StoredFiles::photo(m_databaseFolder, personId);
}

QString TDataModule1::documentImageFile(int documentId) const
{
    return StoredFiles::documentPicture(m_databaseFolder, documentId);
}

QString TDataModule1::documentFile(int documentId) const
{
    return StoredFiles::attachedFile(m_databaseFolder, documentId);
}

void TDataModule1::deleteEach(Dataset& dataset, const QString& where)
{
    dataset.close();
    dataset.setWhereLine(where);
    dataset.open();
    while (!dataset.isEmpty())
        dataset.remove();
    dataset.close();
}

int TDataModule1::createPerson()
{
    const bool wasSuspended = m_personListSuspended;
    m_personListSuspended = true;
    try {
        if (!Person.isActive())
            Person.open();
        Person.insert();
        Person.post();
        const int id = Person.field(QStringLiteral("Id")).asInteger();
        Person.close();
        Person.open();
        Person.locateId(id);
        emit personListRebuildRequested(id);
        Person.edit();
        m_personListSuspended = wasSuspended;
        return id;
    } catch (...) {
        m_personListSuspended = wasSuspended;
        throw;
    }
}

QStringList TDataModule1::storedFilesOf(int personId)
{
    QStringList files{photoFile(personId)};
    Dataset documents(QStringLiteral("PersonDocuments"));
    for (const StoredFiles::Kind& kind : {StoredFiles::documentPictures(), StoredFiles::attachments()}) {
        documents.setSql(QStringLiteral("SELECT Id FROM %1 WHERE Id_Ref=%2").arg(kind.table).arg(personId));
        documents.open();
        for (int row = 0; row < documents.recordCount(); ++row)
            files << kind.path(m_databaseFolder, documents.fieldAt(row, 0).asInteger());
        documents.close();
    }
    return files;
}

void TDataModule1::deletePerson()
{
    if (!Person.isActive() || Person.isEmpty())
        throw DatabaseError(QStringLiteral("Aucun carnet de santé n'est sélectionné."));
    const int id = Person.field(QStringLiteral("Id")).asInteger();
    const QStringList files = storedFilesOf(id);
    try {
        // Every row goes, or none: a failure leaves the person whole.
        Transaction transaction;
        for (const QString& statement :
             {QStringLiteral("DELETE FROM Weight WHERE Weight.Id_Ref="),
              QStringLiteral("DELETE FROM [Size] WHERE [Size].Id_Ref="),
              QStringLiteral("DELETE FROM [Action] WHERE Action.Id_Ref="),
              QStringLiteral("DELETE FROM Vaccine WHERE Vaccine.Id_Ref="),
              QStringLiteral("DELETE FROM Event WHERE Event.Id_Ref="),
              QStringLiteral("DELETE FROM DocumentImg WHERE DocumentImg.Id_Ref="),
              QStringLiteral("DELETE FROM DocumentFile WHERE DocumentFile.Id_Ref=")})
            DatasetUtils::runStatement(Query, whereIdRef(statement, id));
        deleteEach(L_Analysis, whereIdRef(QStringLiteral("WHERE L_Analysis.Id_Ref="), id));
        L_Analysis.setWhereLine(QStringLiteral("WHERE L_ANALYSIS.Id_Analysis>-1"));
        Person.remove();
        transaction.commit();
    } catch (...) {
        L_Analysis.close();
        L_Analysis.setWhereLine(QStringLiteral("WHERE L_ANALYSIS.Id_Analysis>-1"));
        // The rows are back: show them as they are.
        DatasetUtils::reopenOnSameRow(Person);
        Person.locateId(id);
        throw;
    }
    // Files go only once the rows are gone for good.
    const QStringList kept = FileUtils::removeFiles(files);
    emit personListRebuildRequested(-1);
    if (!kept.isEmpty())
        throw FileError(
            QStringLiteral("Le carnet de santé a été supprimé, mais ces fichiers n'ont pas pu être "
                           "effacés :\r%1")
                .arg(kept.join(QStringLiteral("\r"))));
}

void TDataModule1::closeAtExit()
{
    DatasetUtils::saveIfEditing(Person);
    Person.close();
    Weight.close();
    Size.close();
}
