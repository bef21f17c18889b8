#include "HouseholdFixture.h"

#include "DatasetUtils.h"
#include "Money.h"
#include "ProgramState.h"

HouseholdFixture::HouseholdFixture() : m_data(m_scratch.path())
{
    ProgramState& p = program();
    p.folders.program = TestFolders::programFolder();
    p.folders.helpFile = p.folders.program + QStringLiteral("doc.htm");
    p.folders.reports = p.folders.program + QStringLiteral("Reports/");
    p.folders.data = m_data;
    p.folders.iniFileName = QStringLiteral("brivoline.ini");
    p.db = DbConfig();
    p.db.databaseFolder = m_data + QStringLiteral("Data/");
    p.folders.database = p.db.databaseFolder;
    for (const char* sub : {"Images", "Files"})
        m_scratch.make(QStringLiteral("Data/") + QString::fromLatin1(sub));
    TestFolders::copyTemplate(p.db.databaseFile());
    p.settings = Settings();
    // As start-up does: the currency symbol settled first, the data
    // modules' money fields showing it.
    Money::normaliseCurrencySymbol();
    m_dm = std::make_unique<TDataModule1>(p.db);
    m_dm2 = std::make_unique<TDataModule2>();
    m_dm->applyMoneyFormats();
    m_dm2->applyMoneyFormats();
}

HouseholdFixture::~HouseholdFixture()
{
    m_dm2.reset();
}

int HouseholdFixture::addPerson(const QString& name, const QString& foreName, const QString& number)
{
    Dataset& person = m_dm->Person;
    const int id = m_dm->createPerson();
    person.field(QStringLiteral("Name")).setAsString(name);
    person.field(QStringLiteral("ForeName")).setAsString(foreName);
    if (!number.isEmpty())
        person.field(QStringLiteral("No")).setAsString(number);
    person.post();
    return id;
}

int HouseholdFixture::personCount()
{
    return DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM PERSON"));
}
