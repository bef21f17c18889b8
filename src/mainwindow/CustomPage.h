#pragma once

#include "PersonPage.h"

#include <array>

class Dataset;
class TDataModule1;
class QLabel;
class QLineEdit;
class QPushButton;

// Page "Personnalisé": twelve custom fields whose captions the user names,
// shared by every person.
class CustomPage : public PersonPage
{
    Q_OBJECT
public:
    static constexpr int kFields = 12;
    static constexpr int kPickFields = 10; // the two last are free texts

    CustomPage(TDataModule1& dm, QWidget* parent = nullptr);

    // Reads the twelve captions (the labels row is created when missing).
    void mainWindowCreated() override { loadCaptions(); }
    void refreshCommandStates(bool hasPerson) override;
    void loadCaptions();
    // Asks for a new caption k (1..12) and stores it for everyone.
    void renameCaption(int k);
    QLabel* caption(int k) const { return m_captions.at(static_cast<size_t>(k - 1)); }

private:
    void openPickList(int k);
    void showCaption(int k, const QString& text);
    static QString column(int k);

    Dataset& m_person;
    Dataset& m_labels;
    Dataset& m_comboItems;
    std::array<QLabel*, kFields> m_captions{};
    std::array<QWidget*, kFields> m_fields{};
    std::array<QPushButton*, kPickFields> m_buttons{};
};
