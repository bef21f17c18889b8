#pragma once

#include "PersonPage.h"

class Dataset;
class TDataModule1;
class QGroupBox;
class QLabel;
#include <QLineEdit>
class QPushButton;
class PhotoFrame;

// Page "Général": identity, birth, blood group and insurers of the current
// person, with the boxes of the weight and size charts.
class GeneralPage : public PersonPage
{
    Q_OBJECT
public:
    GeneralPage(TDataModule1& dm, QWidget* parent = nullptr);

    void refreshCommandStates(bool hasPerson) override;
    QWidget* firstField() const override { return m_name; }
    // The blood group as its badge shows it: plain letters, upper case.
    static QString badgeText(const QString& blood);

public slots:
    void Btn_BirthDay_DateClick();
    void Btn_BirthDay_CityClick();
    void Btn_BloodClick();

private:
    QLineEdit* addLine(const char* name, const QString& field);
    QPushButton* addPickButton(const char* name, const QString& hint);

    Dataset& m_person;
    Dataset& m_comboItems;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_birthDate = nullptr;
    QLineEdit* m_city = nullptr;
    QLineEdit* m_blood = nullptr;
    QLabel* m_badge = nullptr;
    QGroupBox* m_weightBox = nullptr;
    QGroupBox* m_sizeBox = nullptr;
    PhotoFrame* m_photo = nullptr;
    QList<QWidget*> m_personControls;
};
