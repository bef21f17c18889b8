#include "TChartValueList.h"

#include "ChartExport.h"
#include "ChartModeMenu.h"
#include "Clock.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "GridPanel.h"
#include "LineChart.h"
#include "Measurements.h"
#include "TDataModule1.h"
#include "TEnterWeight.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

TChartValueList::TChartValueList(TDataModule1& dm, const MeasureKind& kind, QWidget* parent)
    : QDialog(parent), m_dm(dm), m_kind(kind), m_chart(new LineChart(this)), m_mode(Measurements::storedMode(dm, kind))
{
    setObjectName(QStringLiteral("ChartValueList"));
    setWindowTitle(kind.windowTitle.trimmed());
    m_chart->setObjectName(QStringLiteral("Chart_Value"));
    m_chart->setAccessibleName(kind.chartTitle);
    m_chart->setTitleShown(true);

    Dataset& measures = kind.dataset(dm);
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Value");
    s.accessibleName = QStringLiteral("Mesures");
    s.query = &measures;
    s.columns = {{QStringLiteral("Date"), kind.dateField},
                 {QStringLiteral("Valeur"), kind.valueField},
                 {QStringLiteral("Observations"), QStringLiteral("Remark")}};
    s.filterLine = QStringLiteral("WHERE Id_Ref=%1");
    s.ownerId = [&dm] { return DatasetUtils::currentId(dm.Person); };
    s.add = {QStringLiteral("Btn_Add"), QStringLiteral(" Ajouter")};
    s.edit = {QStringLiteral("Btn_Edit"), QStringLiteral(" Modifier")};
    s.remove = {QStringLiteral("Btn_Delete"), QStringLiteral(" Supprimer")};
    s.deleteQuestion = QStringLiteral("Désirez-vous supprimer cette valeur ?");
    s.initNewRow = [&dm, &kind](Dataset& row) {
        row.field(QStringLiteral("Id_Ref")).setAsInteger(DatasetUtils::currentId(dm.Person));
        row.field(kind.dateField).setAsDate(Clock::today());
    };
    s.runEntry = [&kind](QWidget* window, Dataset& row) {
        return TEnterWeight(row, kind, window).exec() == QDialog::Accepted;
    };
    m_panel = new GridPanel(std::move(s), this);
    m_panel->grid()->horizontalHeader()->setStretchLastSection(true);
    m_panel->grid()->setColumnWidth(1, 130);

    const auto always = [] { return true; };
    m_panel->addButton({QStringLiteral("Btn_Print"), QStringLiteral(" Imprimer")}, [this] { Btn_PrintClick(); },
                       always);
    m_panel->addButton({QStringLiteral("Btn_Save"), QStringLiteral(" Enregistrer")}, [this] { Btn_SaveClick(); },
                       always);
    m_type = m_panel->addButton({QStringLiteral("Btn_Type"), QStringLiteral(" Affichage")},
                                [this] { Btn_TypeClick(); }, always);
    auto* closeButton = new QPushButton(QStringLiteral(" &Fermer"), this);
    closeButton->setObjectName(QStringLiteral("Btn_Close"));
    closeButton->setAccessibleName(QStringLiteral("Fermer"));
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &TChartValueList::Btn_CloseClick);
    m_panel->buttonRow()->addWidget(closeButton);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(m_chart);
    splitter->addWidget(m_panel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({330, 220});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    resize(720, 600);

    connectCommand(m_panel, &GridPanel::changed, this, [this] { rebuild(); });
    m_panel->reload(DatasetUtils::currentId(measures));
    rebuild();
}

void TChartValueList::rebuild()
{
    Chart::Data shown = GrowthSeries::build(Measurements::input(m_dm, m_kind, m_mode, m_kind.windowMargins));
    shown.title = m_kind.chartTitle;
    m_chart->setData(shown);
    m_panel->refreshStates(true);
}

void TChartValueList::Btn_PrintClick()
{
    ChartExport::printChart(m_chart->data(), Chart::personText(m_dm.Person), this);
}

void TChartValueList::Btn_SaveClick()
{
    ChartExport::SaveChartAsJpeg(m_chart->data(), Chart::personText(m_dm.Person));
}

void TChartValueList::Btn_TypeClick()
{
    const std::optional<int> mode =
        ChartModeMenu::choose(m_type, QStringLiteral("Popup_Type"), ChartModeMenu::growthEntries(), m_mode);
    if (!mode)
        return;
    m_mode = *mode;
    rebuild();
}
