#include "DataBinding.h"

#include "DatasetGrid.h"
#include "MaskedEdit.h"
#include "Messages.h"
#include "TemplateDatabaseTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A number as the process's locale writes it: "3,250 Kg" in a French one.
QString localized(const char* text)
{
    return QString::fromUtf8(text).replace(QLatin1Char(','), QLocale().decimalPoint());
}

class DataBindingTest : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        TemplateDatabaseTest::SetUp();
        exec(QStringLiteral(
            "INSERT INTO PERSON (Name, BirthDay_Weight, Org_Secu) VALUES ('Aubert', 3.25, 'CPAM "
            "Lyon')"));
        exec(QStringLiteral("INSERT INTO PERSON (Name, BirthDay_Weight) VALUES ('Bastien', 2.8)"));
        m_person.setSql(QStringList{QStringLiteral("SELECT * FROM PERSON"), QStringLiteral("ORDER BY NAME")});
        m_person.setDisplayFormat(QStringLiteral("BirthDay_Weight"), QStringLiteral("#######0.000 Kg"));
        m_person.setEditFormat(QStringLiteral("BirthDay_Weight"), QStringLiteral("#######0.000"));
        m_person.setEditMask(QStringLiteral("BirthDay_Date"), EditMasks::date);
        m_person.open();
        m_window.setLayout(new QVBoxLayout);
    }

    template <typename W> W* add()
    {
        auto* w = new W(&m_window);
        m_window.layout()->addWidget(w);
        return w;
    }

    // Typing goes to the widget that has the focus, as for the user.
    void showAndFocus(QWidget* widget)
    {
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        widget->setFocus();
        ASSERT_TRUE(widget->hasFocus());
    }

    Dataset m_person{QStringLiteral("Person")};
    QWidget m_window;
};

TEST_F(DataBindingTest, ALineEditShowsTheFieldAndWritesWhatIsTyped)
{
    auto* name = add<QLineEdit>();
    DataBinding::bind(name, m_person, QStringLiteral("Name"));
    EXPECT_EQ(name->text(), QStringLiteral("Aubert"));
    EXPECT_EQ(name->maxLength(), 128);

    showAndFocus(name);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Aubry"));
    EXPECT_EQ(m_person.state(), Dataset::State::Edit);
    EXPECT_EQ(m_person.field(QStringLiteral("Name")).asString(), QStringLiteral("Aubry"));
    EXPECT_EQ(name->text(), QStringLiteral("Aubry")) << "nothing typed is lost to a refresh";
    m_person.post();
    EXPECT_EQ(count(QStringLiteral("PERSON"), QStringLiteral("WHERE Name='Aubry'")), 1);

    m_person.next();
    EXPECT_EQ(name->text(), QStringLiteral("Bastien"));
    m_person.close();
    EXPECT_EQ(name->text(), QString());
}

TEST_F(DataBindingTest, NumbersShowTheirFormatAndAreEditedWithoutIt)
{
    auto* weight = add<QLineEdit>();
    auto* other = add<QLineEdit>();
    auto* shown = add<QLabel>();
    DataBinding::bind(weight, m_person, QStringLiteral("BirthDay_Weight"));
    DataBinding::bind(shown, m_person, QStringLiteral("BirthDay_Weight"));
    EXPECT_EQ(weight->text(), localized("3,250 Kg"));

    showAndFocus(weight);
    EXPECT_EQ(weight->text(), localized("3,250"));
    weight->selectAll();
    QTest::keyClicks(weight, QStringLiteral("3,5"));
    EXPECT_DOUBLE_EQ(m_person.field(QStringLiteral("BirthDay_Weight")).asDouble(), 3.5);
    EXPECT_EQ(shown->text(), localized("3,500 Kg")) << "other widgets follow the change";
    other->setFocus();
    EXPECT_EQ(weight->text(), localized("3,500 Kg"));
    m_person.post();
    EXPECT_DOUBLE_EQ(
        scalar(QStringLiteral("SELECT BirthDay_Weight FROM PERSON WHERE Name='Aubert'")).toDouble(), 3.5);
    // A new format shows at once, as when an analysis's decimals change.
    m_person.setDisplayFormat(QStringLiteral("BirthDay_Weight"), QStringLiteral("0.0 \"g\""));
    EXPECT_EQ(weight->text(), localized("3,5 g"));
    EXPECT_EQ(shown->text(), localized("3,5 g"));
}

TEST_F(DataBindingTest, AMaskedFieldStoresItsLiteralsAndBlanks)
{
    auto* birth = add<MaskedEdit>();
    DataBinding::bind(birth, m_person, QStringLiteral("BirthDay_Date"));
    EXPECT_EQ(birth->inputMask(), QStringLiteral("00/00/9999;_"));
    showAndFocus(birth);
    birth->setCursorPosition(0);
    QTest::keyClicks(birth, QStringLiteral("5/3/2024"));
    m_person.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT BirthDay_Date FROM PERSON WHERE Name='Aubert'")).toString(),
              QStringLiteral(" 5/ 3/2024"));
    m_person.next();
    EXPECT_EQ(birth->displayText(), QStringLiteral("__/__/____"));
    m_person.prior();
    EXPECT_EQ(birth->storedText(), QStringLiteral(" 5/ 3/2024"));
}

TEST_F(DataBindingTest, MemosLabelsAndCheckBoxesFollowTheRow)
{
    auto* memo = add<QPlainTextEdit>();
    auto* label = add<QLabel>();
    DataBinding::bind(memo, m_person, QStringLiteral("Org_Secu"));
    DataBinding::bind(label, m_person, QStringLiteral("Name"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("CPAM Lyon"));
    EXPECT_EQ(label->text(), QStringLiteral("Aubert"));
    memo->setPlainText(QStringLiteral("CPAM Lyon\nsection 2"));
    EXPECT_EQ(m_person.state(), Dataset::State::Edit);
    m_person.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Org_Secu FROM PERSON WHERE Name='Aubert'")).toString(),
              QStringLiteral("CPAM Lyon\nsection 2"));
    m_person.next();
    EXPECT_EQ(memo->toPlainText(), QString());
    EXPECT_EQ(label->text(), QStringLiteral("Bastien"));

    exec(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Convention) VALUES ('Dr Roux', 0)"));
    Dataset doctors(QStringLiteral("Lst_Doctor"));
    doctors.setSql(QStringLiteral("SELECT * FROM LST_DOCTOR"));
    doctors.open();
    auto* convention = add<QCheckBox>();
    DataBinding::bind(convention, doctors, QStringLiteral("Convention"));
    EXPECT_FALSE(convention->isChecked());
    convention->click();
    EXPECT_TRUE(doctors.field(QStringLiteral("Convention")).asBoolean());
    doctors.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Convention FROM LST_DOCTOR")).toInt(), 1);
    doctors.edit();
    doctors.field(QStringLiteral("Convention")).setAsBoolean(false);
    EXPECT_FALSE(convention->isChecked());
}

TEST_F(DataBindingTest, AMultiLineEditKeepsWithinItsColumnAndAMemoHasNoLimit)
{
    auto* limited = add<QPlainTextEdit>();
    DataBinding::bind(limited, m_person, QStringLiteral("Misc01")); // Text(128)
    limited->setPlainText(QStringLiteral("début fin"));
    QTextCursor middle = limited->textCursor();
    middle.setPosition(6);
    limited->setTextCursor(middle);
    limited->insertPlainText(QString(200, QLatin1Char('x')));
    EXPECT_EQ(limited->toPlainText(),
              QStringLiteral("début ") + QString(119, QLatin1Char('x')) + QStringLiteral("fin"))
        << "what does not fit of a paste is dropped, the text around it stays";
    limited->moveCursor(QTextCursor::End);
    QTest::keyClicks(limited, QStringLiteral("zz"));
    EXPECT_EQ(limited->toPlainText().size(), 128);
    m_person.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT length(Misc01) FROM PERSON WHERE Name='Aubert'")).toInt(), 128);

    auto* memo = add<QPlainTextEdit>();
    DataBinding::bind(memo, m_person, QStringLiteral("Org_Secu"));
    memo->insertPlainText(QString(1000, QLatin1Char('y')));
    EXPECT_EQ(memo->toPlainText().size(), 1000 + QStringLiteral("CPAM Lyon").size());
}

TEST_F(DataBindingTest, FieldsOfAReadOnlyDatasetCannotBeTyped)
{
    Dataset joined(QStringLiteral("Joined"));
    joined.setSql(QStringLiteral("SELECT PERSON.Name, WEIGHT.Weight FROM PERSON LEFT JOIN WEIGHT ON "
                                 "WEIGHT.Id_Ref = PERSON.Id"));
    joined.open();
    auto* name = add<QLineEdit>();
    DataBinding::bind(name, joined, QStringLiteral("Name"));
    EXPECT_TRUE(name->isReadOnly());
    EXPECT_EQ(name->text(), QStringLiteral("Aubert"));
}

TEST_F(DataBindingTest, GridAndDatasetShareTheCurrentRow)
{
    auto* grid = add<DatasetGrid>();
    grid->setDataset(m_person, {{QStringLiteral("Nom"), QStringLiteral("Name")},
                                {QStringLiteral("Poids"), QStringLiteral("BirthDay_Weight")},
                                {.title = QStringLiteral("Prix"),
                                 .field = QStringLiteral("BirthDay_Weight"),
                                 .format = QStringLiteral("0.0 €")}});
    DatasetTableModel* model = grid->datasetModel();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nom"));
    EXPECT_EQ(model->index(1, 1).data().toString(), localized("2,800 Kg"));
    EXPECT_EQ(model->index(1, 2).data().toString(), localized("2,8 €"));
    EXPECT_TRUE(model->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_TRUE(model->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
    EXPECT_EQ(grid->currentIndex().row(), 0);

    m_person.last();
    EXPECT_EQ(grid->currentIndex().row(), 1);
    grid->setCurrentIndex(model->index(0, 0));
    EXPECT_EQ(m_person.currentRow(), 0);

    m_person.edit();
    m_person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Abel"));
    m_person.post();
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Abel"));
    m_person.append();
    m_person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Zoé"));
    m_person.post();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 2);

    // A pending change the database refuses keeps the grid on its row.
    Messages::Recorder messages;
    m_person.edit();
    m_person.field(QStringLiteral("BirthDay_Weight")).setAsString(QStringLiteral("lourd"));
    grid->setCurrentIndex(model->index(0, 0));
    EXPECT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(m_person.currentRow(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    m_person.cancel();

    m_person.close();
    EXPECT_EQ(model->rowCount(), 0);
}

} // namespace
