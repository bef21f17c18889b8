#pragma once

#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TestFolders.h"

#include <memory>

// A household database of the program's own: a copy of the built template
// in a scratch data folder, opened by the main data module, with the
// program's folders pointing there and the process as start-up leaves it.
class HouseholdFixture
{
public:
    HouseholdFixture();
    ~HouseholdFixture();

    TDataModule1& dm() { return *m_dm; }
    TDataModule2& dm2() { return *m_dm2; }
    const QString& dataFolder() const { return m_data; }
    // Adds a person through the data module and returns its Id.
    int addPerson(const QString& name, const QString& foreName, const QString& number = {});
    int personCount();

private:
    TestFolders::Scratch m_scratch;
    QString m_data;
    std::unique_ptr<TDataModule1> m_dm;
    std::unique_ptr<TDataModule2> m_dm2;
};
