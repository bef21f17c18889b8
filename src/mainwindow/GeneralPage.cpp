#include "GeneralPage.h"

#include "CommandGuard.h"
#include "DataBinding.h"
#include "Dataset.h"
#include "FieldShortcuts.h"
#include "FileUtils.h"
#include "FormWidgets.h"
#include "PhotoFrame.h"
#include "TComboList.h"
#include "TDataModule1.h"
#include "TSelectDate.h"
#include "TStrList.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using FormWidgets::caption;

QString GeneralPage::badgeText(const QString& blood)
{
    return FileUtils::withoutAccents(blood).toUpper();
}

QLineEdit* GeneralPage::addLine(const char* name, const QString& field)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    DataBinding::bind(edit, m_person, field);
    m_personControls << edit;
    return edit;
}

QPushButton* GeneralPage::addPickButton(const char* name, const QString& hint)
{
    QPushButton* button = FormWidgets::pickButton(this, QString::fromLatin1(name), hint);
    m_personControls << button;
    return button;
}

GeneralPage::GeneralPage(TDataModule1& dm, QWidget* parent)
    : PersonPage(parent), m_person(dm.Person), m_comboItems(dm.ComboItems)
{
    auto* name = m_name = addLine("Ed_Name", QStringLiteral("Name"));
    auto* foreName = addLine("Ed_ForeName", QStringLiteral("ForeName"));
    auto* number = addLine("Ed_No", QStringLiteral("No"));
    // The sex chooses the growth references of the charts.
    auto* sex = new QComboBox(this);
    sex->setObjectName(QStringLiteral("Ed_Sex"));
    DataBinding::bind(sex, m_person, QStringLiteral("Sex"),
                      {{QStringLiteral("Féminin"), 2}, {QStringLiteral("Masculin"), 1}});
    m_personControls << sex;
    m_birthDate = addLine("Ed_BirthDay_Date", QStringLiteral("BirthDay_Date"));
    auto* birthTime = addLine("Ed_BirthDay_Time", QStringLiteral("BirthDay_Time"));
    birthTime->setAccessibleName(QStringLiteral("Heure de naissance"));
    auto* weight = addLine("DBEdit1", QStringLiteral("BirthDay_Weight"));
    auto* size = addLine("DBEdit2", QStringLiteral("BirthDay_Size"));
    m_city = addLine("Ed_BirthDay_City", QStringLiteral("BirthDay_City"));
    m_blood = addLine("Ed_Blood", QStringLiteral("Blood"));
    m_blood->setReadOnly(true);

    auto* orgSecu = new QPlainTextEdit(this);
    orgSecu->setObjectName(QStringLiteral("Ed_Org_Secu"));
    auto* orgComp = new QPlainTextEdit(this);
    orgComp->setObjectName(QStringLiteral("Ed_Org_Comp"));
    for (QPlainTextEdit* memo : {orgSecu, orgComp}) {
        memo->setTabChangesFocus(true);
        memo->setMaximumHeight(64);
        m_personControls << memo;
    }
    DataBinding::bind(orgSecu, m_person, QStringLiteral("Org_Secu"));
    DataBinding::bind(orgComp, m_person, QStringLiteral("Org_Comp"));

    auto* dateButton = addPickButton("Btn_BirthDay_Date", QStringLiteral("Choisir la date de naissance"));
    auto* cityButton = addPickButton("Btn_BirthDay_City", QStringLiteral("Choisir le lieu de naissance"));
    auto* bloodButton = addPickButton("Btn_Blood", QStringLiteral("Choisir le groupe sanguin"));
    connectCommand(dateButton, &QPushButton::clicked, this, [this] { Btn_BirthDay_DateClick(); });
    connectCommand(cityButton, &QPushButton::clicked, this, [this] { Btn_BirthDay_CityClick(); });
    connectCommand(bloodButton, &QPushButton::clicked, this, [this] { Btn_BloodClick(); });
    FieldShortcuts::install(m_birthDate, [this] { Btn_BirthDay_DateClick(); });
    FieldShortcuts::install(
        m_city, [this] { Btn_BirthDay_CityClick(); },
        [this] {
            TComboList::edit(QStringLiteral("Lieu de naissance"), m_comboItems,
                             QStringLiteral("BirthDay_City"), this);
        });
    FieldShortcuts::install(
        m_blood, [this] { Btn_BloodClick(); },
        [this] {
            TComboList::edit(QStringLiteral("Groupe sanguin"), m_comboItems, QStringLiteral("Blood"), this);
        });

    // The badge lies over the read-only field, which keeps its place for the pick list.
    m_badge = new QLabel(m_blood);
    m_badge->setObjectName(QStringLiteral("AquaImage_Blood"));
    m_badge->setAlignment(Qt::AlignCenter);
    m_badge->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* over = new QHBoxLayout(m_blood);
    over->setContentsMargins(1, 1, 1, 1);
    over->addWidget(m_badge);
    m_blood->setFixedWidth(90);
    m_badge->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; border-radius: 11px; padding: 0 8px;"
                       " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f26b6b, stop:0.5 "
                       "#d41e1e, stop:1 #a30d0d); }"));
    connect(m_blood, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_badge->setText(badgeText(text));
        m_badge->setVisible(!text.isEmpty());
    });
    m_badge->setVisible(false);
    m_badge->setAccessibleName(QStringLiteral("Groupe sanguin"));

    // Identity on the left, the weight and size charts on the right.
    auto* form = new QGridLayout;
    form->setVerticalSpacing(2);
    int row = 0;
    const auto addRow = [&](QLabel* label, QLayout* fields) {
        form->addWidget(label, row++, 0, 1, 2);
        form->addLayout(fields, row++, 0, 1, 2);
    };
    const auto line = [](std::initializer_list<QWidget*> widgets) {
        auto* l = new QHBoxLayout;
        l->setSpacing(3);
        for (QWidget* w : widgets)
            l->addWidget(w);
        return l;
    };
    addRow(caption(QStringLiteral("&Nom"), name, this), line({name}));
    addRow(caption(QStringLiteral("&Prénom"), foreName, this), line({foreName}));
    auto* sexLine = line({sex});
    sexLine->addStretch();
    addRow(caption(QStringLiteral("Se&xe"), sex, this), sexLine);
    addRow(caption(QStringLiteral("N° de &sécurité social"), number, this), line({number}));
    birthTime->setMaximumWidth(60);
    addRow(caption(QStringLiteral("&Date et heure de naissance"), m_birthDate, this),
           line({m_birthDate, dateButton, birthTime}));
    auto* weightCaption = caption(QStringLiteral("P&oids"), weight, this);
    auto* sizeCaption = caption(QStringLiteral("&Taille"), size, this);
    form->addWidget(weightCaption, row, 0);
    form->addWidget(sizeCaption, row++, 1);
    form->addWidget(weight, row, 0);
    form->addWidget(size, row++, 1);
    addRow(caption(QStringLiteral("&Lieu de naissance"), m_city, this), line({m_city, cityButton}));
    auto* bloodCaption = caption(QStringLiteral("&Groupe sanguin"), m_blood, this);
    bloodCaption->setBuddy(bloodButton);
    auto* bloodLine = line({m_blood, bloodButton});
    bloodLine->addStretch();
    addRow(bloodCaption, bloodLine);
    addRow(caption(QStringLiteral("Organisme de sé&curité social"), orgSecu, this), line({orgSecu}));
    addRow(caption(QStringLiteral("Organisme co&mplémentaire"), orgComp, this), line({orgComp}));
    form->setRowStretch(row, 1);

    m_weightBox = new QGroupBox(QStringLiteral("P  O  I  D  S"), this);
    m_weightBox->setObjectName(QStringLiteral("Pan_Weight"));
    m_sizeBox = new QGroupBox(QStringLiteral("T  A  I  L  L  E"), this);
    m_sizeBox->setObjectName(QStringLiteral("Pan_Size"));
    auto* charts = new QVBoxLayout;
    charts->setSpacing(5);
    charts->addWidget(m_weightBox, 1);
    charts->addWidget(m_sizeBox, 1);
    charts->addSpacing(10);

    // The photo stands beside the identity.
    m_photo = new PhotoFrame(dm, this);
    connect(m_photo, &PhotoFrame::photoChanged, this, &PersonPage::commandsChanged);
    auto* identity = new QHBoxLayout;
    identity->addLayout(form, 1);
    identity->addWidget(m_photo, 0, Qt::AlignTop);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addLayout(identity, 3);
    layout->addLayout(charts, 2);
}

void GeneralPage::refreshPage(int rowId)
{
    Q_UNUSED(rowId);
    for (const auto& hook : m_refreshHooks)
        hook();
}

void GeneralPage::refreshCommandStates(bool hasPerson)
{
    for (QWidget* w : m_personControls)
        w->setEnabled(hasPerson);
    m_photo->setPersonEnabled(hasPerson);
    for (const auto& hook : m_stateHooks)
        hook(hasPerson);
}

void GeneralPage::Btn_BirthDay_DateClick()
{
    TSelectDate::open(m_birthDate);
}

void GeneralPage::Btn_BirthDay_CityClick()
{
    TStrList::openColumn(m_city, m_comboItems, QStringLiteral("BirthDay_City"));
}

void GeneralPage::Btn_BloodClick()
{
    TStrList::openColumn(m_blood, m_comboItems, QStringLiteral("Blood"));
}
