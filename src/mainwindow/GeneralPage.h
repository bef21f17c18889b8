#pragma once

#include "PersonPage.h"

#include <functional>

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

    void mainWindowCreated() override { refreshPage(-1); }
    void refreshPage(int rowId) override;
    void refreshCommandStates(bool hasPerson) override;
    QWidget* firstField() const override { return m_name; }

    // The boxes of the weight and size charts, which other subsystems fill.
    QGroupBox* weightBox() const { return m_weightBox; }
    QGroupBox* sizeBox() const { return m_sizeBox; }
    // What other subsystems show on the page follows it: run when the page
    // is refreshed (shown, the person changed), and with its command states.
    void addRefreshHook(std::function<void()> hook) { m_refreshHooks << std::move(hook); }
    void addCommandStatesHook(std::function<void(bool hasPerson)> hook) { m_stateHooks << std::move(hook); }
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
    QList<std::function<void()>> m_refreshHooks;
    QList<std::function<void(bool)>> m_stateHooks;
};
