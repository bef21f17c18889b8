#pragma once

#include "FhirExport.h"

#include <QDialog>

class NumberEdit;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "Exporter le carnet (FHIR)": the file to write and whether the pictures
// and attached files go in, up to a size.
class TExportFhir : public QDialog
{
    Q_OBJECT
public:
    TExportFhir(const QString& proposedFile, QWidget* parent = nullptr);

    QString file() const;
    ExportOptions options() const;

private:
    void chooseFile();
    void refreshStates();

    QLineEdit* m_file;
    QCheckBox* m_documents;
    NumberEdit* m_limit;
    QPushButton* m_ok;
};
