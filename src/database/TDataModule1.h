#pragma once

#include "Connection.h"
#include "Dataset.h"

#include <QList>
#include <QObject>

// The main data module: the shared connection, the person dataset, the
// detail datasets of the person's pages, the reference lists, the pick lists
// and labels, the backup history and a scratch query. Created once at start.
class TDataModule1 : public QObject
{
    Q_OBJECT
public:
    // Opens the program's connection. Throws DatabaseError.
    explicit TDataModule1(const DbConfig& config, QObject* parent = nullptr);
    ~TDataModule1() override;

    // The datasets, named as every window refers to them; all closed at creation.
    Dataset& Person = make(QStringLiteral("Person"));
    Dataset& Action = make(QStringLiteral("Action"));
    Dataset& ConsultQuery = make(QStringLiteral("ConsultQuery"));
    Dataset& PharmacyQuery = make(QStringLiteral("PharmacyQuery"));
    Dataset& Vaccine = make(QStringLiteral("Vaccine"));
    Dataset& VaccineQuery = make(QStringLiteral("VaccineQuery"));
    Dataset& Weight = make(QStringLiteral("Weight"));
    Dataset& Size = make(QStringLiteral("Size"));
    Dataset& Lst_Analysis = make(QStringLiteral("Lst_Analysis"));
    Dataset& L_Analysis = make(QStringLiteral("L_Analysis"));
    Dataset& Analysis = make(QStringLiteral("Analysis"));
    Dataset& Event = make(QStringLiteral("Event"));
    Dataset& DocumentImg = make(QStringLiteral("DocumentImg"));
    Dataset& DocumentFile = make(QStringLiteral("DocumentFile"));
    Dataset& Lst_Doctor = make(QStringLiteral("Lst_Doctor"));
    Dataset& Lst_Pharmacy = make(QStringLiteral("Lst_Pharmacy"));
    Dataset& Lst_Drug = make(QStringLiteral("Lst_Drug"));
    Dataset& Lst_Illness = make(QStringLiteral("Lst_Illness"));
    Dataset& Lst_Vaccine = make(QStringLiteral("Lst_Vaccine"));
    Dataset& ComboItems = make(QStringLiteral("ComboItems"));
    Dataset& CustomLabel = make(QStringLiteral("CustomLabel"));
    Dataset& Backup = make(QStringLiteral("Backup"));
    Dataset& Query = make(QStringLiteral("Query")); // scratch query, no data source

    QString databaseFolder() const { return m_databaseFolder; }
    QString photoFile(int personId) const;
    QString documentImageFile(int documentId) const;
    QString documentFile(int documentId) const;
    // That person's small photo (a BMP stream; empty when none), read from
    // its row alone: the person dataset leaves the pictures out.
    static QByteArray smallPhoto(int personId);

    // Money fields shown with the process's currency symbol (once the main window exists).
    void applyMoneyFormats();

    // While suspended, saving the person row does not ask for the person list to be rebuilt.
    void setPersonListSuspended(bool suspended) { m_personListSuspended = suspended; }
    bool personListSuspended() const { return m_personListSuspended; }

    // A new person, saved at once; returns its Id with its row in edit.
    int createPerson();
    // The current person and every row and stored file that belongs to it.
    // The rows go in one transaction; the files only after it is committed,
    // so a failure leaves the person whole. A file that cannot be removed
    // afterwards is reported (FileError) once the person is gone.
    void deletePerson();
    // At exit: a pending person edit is saved; Person, Weight and Size close.
    void closeAtExit();

signals:
    // The current person row, or its values, changed.
    void personChanged();
    // The person row was saved (unless the list is suspended): rebuild the
    // list keeping its selection.
    void personSaved();
    // Rebuild the person list and select this person (-1: the first one).
    void personListRebuildRequested(int personId);

private:
    Dataset& make(const QString& name);
    void designStatements();
    void designFields();
    void connectEvents();
    void newPerson(Dataset& person);
    void newAction(Dataset& action);
    QStringList storedFilesOf(int personId);
    // Opens `dataset` on `where`, deletes its rows one at a time, closes it.
    static void deleteEach(Dataset& dataset, const QString& where);

    QString m_databaseFolder;
    QString m_fileOfDeletedRow;
    bool m_personListSuspended = false;
};
