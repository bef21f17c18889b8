#include "AnalysisPage.h"

#include "AnalysisRecords.h"
#include "ChartExport.h"
#include "ChartModeMenu.h"
#include "ChartPanel.h"
#include "Clock.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "FieldShortcuts.h"
#include "FormWidgets.h"
#include "GridPanel.h"
#include "LineChart.h"
#include "Measurements.h"
#include "Messages.h"
#include "RowEditing.h"
#include "TDataModule1.h"
#include "TEnterAnalysisValue.h"
#include "TEnterPersonAnalysis.h"
#include "TStrList.h"
#include "ValueFields.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

namespace {
const QString kModeField = QStringLiteral("AnalysisMode");
const QStringList kValueFields{QStringLiteral("Value_Analysis"), QStringLiteral("Value_Min"),
                               QStringLiteral("Value_Max")};
} // namespace

AnalysisPage::AnalysisPage(TDataModule1& dm, QWidget* parent)
    : PersonPage(parent), m_dm(dm), m_title(new QLineEdit(this)),
      m_chart(
          new ChartPanel(QStringLiteral("Chart_Analysis"), QStringLiteral("Evolution des analyses"), this)),
      m_mode(AnalysisSeries::Years)
{
    m_title->setObjectName(QStringLiteral("Ed_Analysis"));
    m_title->setReadOnly(true);
    m_choose =
        FormWidgets::pickButton(this, QStringLiteral("Btn_Analysis"), QStringLiteral("Choisir une analyse"));
    m_add = FormWidgets::pictureButton(this, QStringLiteral("Btn_Analysis_Add"),
                                       QStringLiteral("Suivre une nouvelle analyse"), QStyle::SP_FileIcon);
    m_edit =
        FormWidgets::pictureButton(this, QStringLiteral("Btn_Analysis_Edit"),
                                   QStringLiteral("Modifier l'analyse"), QStyle::SP_FileDialogDetailedView);
    m_delete = FormWidgets::pictureButton(this, QStringLiteral("Btn_Analysis_Delete"),
                                          QStringLiteral("Retirer l'analyse"), QStyle::SP_TrashIcon);
    connectCommand(m_choose, &QPushButton::clicked, this, [this] { Btn_AnalysisClick(); });
    connectCommand(m_add, &QPushButton::clicked, this, [this] { Btn_Analysis_AddClick(); });
    connectCommand(m_edit, &QPushButton::clicked, this, [this] { Btn_Analysis_EditClick(); });
    connectCommand(m_delete, &QPushButton::clicked, this, [this] { Btn_Analysis_DeleteClick(); });
    FieldShortcuts::install(m_title, [this] { Btn_AnalysisClick(); });

    m_chart->addButton(QStringLiteral("Btn_Chart_Chart_Analysis_Print"), QStringLiteral("Imprimer"),
                       QStringLiteral("document-print"), QStyle::SP_FileDialogContentsView,
                       [this] { Btn_Chart_Chart_Analysis_PrintClick(); });
    m_chart->addButton(QStringLiteral("Btn_Chart_Chart_Analysis_Save"), QStringLiteral("Enregistrer l'image"),
                       QStringLiteral("document-save"), QStyle::SP_DialogSaveButton,
                       [this] { Btn_Chart_Chart_Analysis_SaveClick(); });
    m_type = m_chart->addButton(QStringLiteral("Btn_Chart_Analysis_Type"), QStringLiteral("Affichage"),
                                QStringLiteral("view-list-details"), QStyle::SP_FileDialogListView,
                                [this] { Btn_Chart_Analysis_TypeClick(); });

    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Analysis");
    s.accessibleName = QStringLiteral("Résultats");
    s.query = &dm.Analysis;
    s.columns = {{QStringLiteral("Date"), QStringLiteral("Date_Analysis")},
                 {QStringLiteral("Valeur"), QStringLiteral("Value_Analysis")},
                 {QStringLiteral("Valeur mini"), QStringLiteral("Value_Min")},
                 {QStringLiteral("Valeur max"), QStringLiteral("Value_Max")},
                 {QStringLiteral("Observations"), QStringLiteral("Remark1")}};
    s.lastColumnFills = true;
    s.filterLine = QStringLiteral("WHERE ID_REF=%1");
    s.ownerId = [this] { return m_current; };
    s.add = {QStringLiteral("Btn_AnalysisValue_Add"), QStringLiteral(" Ajouter")};
    s.edit = {QStringLiteral("Btn_AnalysisValue_Edit"), QStringLiteral(" Modifier")};
    s.remove = {QStringLiteral("Btn_AnalysisValue_Delete"), QStringLiteral(" Supprimer")};
    s.deleteQuestion = QStringLiteral("Confirmez-vous la suppression de cette valeur ?");
    s.initNewRow = [this](Dataset& row) {
        const auto [minimum, maximum] = AnalysisRecords::range(m_current);
        row.field(QStringLiteral("Id_Ref")).setAsInteger(m_current);
        row.field(QStringLiteral("Date_Analysis")).setAsDate(Clock::today());
        row.field(QStringLiteral("Value_Analysis")).setAsDouble(0);
        row.field(QStringLiteral("Value_Min")).setAsDouble(minimum);
        row.field(QStringLiteral("Value_Max")).setAsDouble(maximum);
    };
    s.runEntry = [](QWidget* window, Dataset& row) {
        return TEnterAnalysisValue(row, window).exec() == QDialog::Accepted;
    };
    m_values = new GridPanel(std::move(s), this);
    connectCommand(m_values, &GridPanel::changed, this, [this] {
        buildChart();
        emit commandsChanged();
    });

    auto* top = new QHBoxLayout;
    top->setSpacing(3);
    top->addWidget(FormWidgets::caption(QStringLiteral("Anal&yse"), m_title, this));
    top->addWidget(m_title, 1);
    top->addWidget(m_choose);
    top->addSpacing(12);
    for (QPushButton* b : {m_add, m_edit, m_delete})
        top->addWidget(b);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_chart);
    splitter->addWidget(m_values);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);

    connect(&dm, &TDataModule1::personChanged, this, &AnalysisPage::personMoved);
    buildChart();
}

int AnalysisPage::personId() const
{
    return DatasetUtils::currentId(m_dm.Person);
}

// Another person: no analysis is remembered for them.
void AnalysisPage::personMoved()
{
    const int person = personId();
    if (person == m_personId)
        return;
    m_personId = person;
    m_current = -1;
    const int stored = person < 0 ? 0 : m_dm.Person.field(kModeField).asInteger();
    if (stored == AnalysisSeries::Dates || stored == AnalysisSeries::Years)
        m_mode = stored;
}

void AnalysisPage::refreshPage(int rowId)
{
    personMoved();
    rebuild(rowId >= 0 ? rowId : m_current);
}

void AnalysisPage::leavePage()
{
    m_values->close();
}

void AnalysisPage::rebuild(int requested)
{
    const int person = personId();
    const int before = m_current;
    m_current = person < 0 ? -1 : AnalysisRecords::resolveCurrent(requested, person);
    AnalysisRecords::Followed shown;
    if (m_current < 0)
        shown.title = QStringLiteral("Pas d'analyses");
    else
        shown = AnalysisRecords::describe(m_current);
    m_title->setText(shown.title);
    ValueFields::applyFormats(m_dm.Analysis, shown.decimals, shown.unit, kValueFields);
    // The grid keeps its row while the same analysis is shown.
    m_values->reload(m_current == before ? m_values->currentId() : -1);
    buildChart();
}

void AnalysisPage::buildChart()
{
    Chart::Data shown = AnalysisSeries::build(m_mode, AnalysisRecords::results(m_dm.Analysis));
    shown.title = AnalysisSeries::chartTitle(m_title->text());
    m_chart->chart()->setData(shown);
}

void AnalysisPage::refreshCommandStates(bool hasPerson)
{
    const bool analysis = hasPerson && m_current >= 0;
    m_chart->setAvailable(hasPerson);
    for (QWidget* w :
         {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_choose), static_cast<QWidget*>(m_add)})
        w->setEnabled(hasPerson);
    m_edit->setEnabled(analysis);
    m_delete->setEnabled(analysis);
    m_values->refreshStates(analysis);
}

void AnalysisPage::Btn_AnalysisClick()
{
    const int person = personId();
    if (person < 0)
        return;
    const AnalysisRecords::Choices choices = AnalysisRecords::followed(person);
    if (choices.ids.isEmpty())
        return;
    TStrList* list = TStrList::open(m_title, choices.titles);
    connectCommand(list, &TStrList::chosen, this, [this, ids = choices.ids](int index) {
        if (index < 0 || index >= ids.size())
            return;
        rebuild(ids.at(index));
        emit commandsChanged();
    });
}

void AnalysisPage::Btn_Analysis_AddClick()
{
    const int person = personId();
    if (person < 0)
        return;
    if (AnalysisRecords::notFollowed(person).ids.isEmpty()) {
        Messages::information(QStringLiteral("Vous avez déjà sélectionné toutes les analyses disponibles."));
        return;
    }
    int created = -1;
    {
        RowEditing::ScopedRow followed(m_dm.L_Analysis, -1, QStringLiteral("L_ANALYSIS.Id"));
        const auto defaults = [person](Dataset& row) {
            row.field(QStringLiteral("Id_File")).setAsInteger(-1);
            row.field(QStringLiteral("Id_Ref")).setAsInteger(person);
            row.field(QStringLiteral("Id_Analysis")).setAsInteger(-1);
        };
        if (RowEditing::add(followed.row(), defaults, [this, person](Dataset& row) {
                return TEnterPersonAnalysis(m_dm, row, person, window()).exec() == QDialog::Accepted;
            }))
            created = DatasetUtils::currentId(followed.row());
    }
    rebuild(created >= 0 ? created : m_current);
    emit commandsChanged();
}

void AnalysisPage::Btn_Analysis_EditClick()
{
    const int person = personId();
    if (person < 0 || m_current < 0)
        return;
    {
        RowEditing::ScopedRow followed(m_dm.L_Analysis, m_current, QStringLiteral("L_ANALYSIS.Id"));
        if (!followed.found())
            Messages::plain(QStringLiteral("Analyse introuvable ?"));
        else
            RowEditing::change(followed.row(), [this, person](Dataset& row) {
                return TEnterPersonAnalysis(m_dm, row, person, window()).exec() == QDialog::Accepted;
            });
    }
    rebuild(m_current);
    emit commandsChanged();
}

void AnalysisPage::Btn_Analysis_DeleteClick()
{
    if (m_current < 0 || !Messages::ask(QStringLiteral("Souhaitez-vous retirer cette analyses ?")))
        return;
    AnalysisRecords::stopFollowing(m_dm, m_current);
    rebuild(-1);
    emit commandsChanged();
}

void AnalysisPage::Btn_Chart_Chart_Analysis_PrintClick()
{
    if (personId() >= 0)
        ChartExport::printChart(m_chart->chart()->data(), Chart::personText(m_dm.Person), window());
}

void AnalysisPage::Btn_Chart_Chart_Analysis_SaveClick()
{
    if (personId() < 0)
        return;
    ChartExport::SaveChartAsJpeg(m_chart->chart()->data(), Chart::personText(m_dm.Person));
}

void AnalysisPage::Btn_Chart_Analysis_TypeClick()
{
    const std::optional<int> mode = ChartModeMenu::choose(m_type, QStringLiteral("Popup_Chart_Analysis_Type"),
                                                          ChartModeMenu::analysisEntries(), m_mode);
    if (!mode)
        return;
    m_mode = *mode;
    Measurements::storeMode(m_dm.Person, kModeField, m_mode);
    buildChart();
}
