#include "TChartValueList.h"

#include "ChartExport.h"
#include "ChartModeMenu.h"
#include "Clock.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "GridPanel.h"
#include "LineChart.h"
#include "Measurements.h"
#include "NumberFormat.h"
#include "TChartBmi.h"
#include "TDataModule1.h"
#include "TEnterWeight.h"

#include <QColor>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
using GrowthReference::Assessment;

// A centile as the grid shows it: red beyond the 3rd and the 97th.
QVariant assessmentCell(const std::optional<Assessment>& assessment, int role, const QString& reference)
{
    if (!assessment)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return assessment->text();
    case Qt::ForegroundRole:
        return assessment->outside() ? QVariant(QColor(0xcc, 0, 0)) : QVariant();
    case Qt::ToolTipRole:
        return reference +
               (assessment->outside() ? QStringLiteral(", hors des 3e et 97e centiles") : QString());
    default:
        return {};
    }
}
} // namespace

TChartValueList::TChartValueList(TDataModule1& dm, const MeasureKind& kind, QWidget* parent)
    : QDialog(parent), m_dm(dm), m_kind(kind), m_otherKind(MeasureKind::of(kind.series == 1 ? 2 : 1)),
      m_others(Measurements::load(m_otherKind, DatasetUtils::currentId(dm.Person))),
      m_chart(new LineChart(this)), m_mode(Measurements::storedMode(dm, kind))
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
                 {QStringLiteral("Valeur"), kind.valueField, 110},
                 {.title = QStringLiteral("Centile"),
                  .width = 120,
                  .computed = [this](int row, int role) { return centileCell(row, role); }},
                 {.title = QStringLiteral("IMC"),
                  .width = 60,
                  .computed = [this](int row, int role) { return bodyMassIndexCell(row, role); }},
                 {.title = QStringLiteral("Centile IMC"),
                  .width = 120,
                  .computed = [this](int row, int role) { return bodyMassIndexCentileCell(row, role); }},
                 {QStringLiteral("Observations"), QStringLiteral("Remark")}};
    s.lastColumnFills = true;
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

    const auto always = [] { return true; };
    m_panel->addButton(
        {QStringLiteral("Btn_Print"), QStringLiteral(" Imprimer")}, [this] { Btn_PrintClick(); }, always);
    m_panel->addButton(
        {QStringLiteral("Btn_Save"), QStringLiteral(" Enregistrer")}, [this] { Btn_SaveClick(); }, always);
    m_type = m_panel->addButton(
        {QStringLiteral("Btn_Type"), QStringLiteral(" Affichage")}, [this] { Btn_TypeClick(); }, always);
    m_panel->addButton(
        {QStringLiteral("Btn_Bmi"), QStringLiteral(" IMC")}, [this] { Btn_BmiClick(); },
        [this] { return !bodyMassIndices().isEmpty(); });
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
    resize(820, 600);

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

void TChartValueList::Btn_BmiClick()
{
    TChartBmi bmi(m_dm, bodyMassIndices(), m_mode, this);
    bmi.exec();
}

QList<GrowthSeries::Measurement> TChartValueList::bodyMassIndices() const
{
    const QList<GrowthSeries::Measurement> mine = Measurements::read(m_kind.dataset(m_dm), m_kind);
    return m_kind.series == 1 ? GrowthReference::bodyMassIndices(mine, m_others)
                              : GrowthReference::bodyMassIndices(m_others, mine);
}

GrowthSeries::Measurement TChartValueList::measureAt(int row) const
{
    const Dataset& measures = m_kind.dataset(m_dm);
    return {measures.fieldAt(row, measures.fieldIndex(m_kind.dateField)).asDate(),
            measures.fieldAt(row, measures.fieldIndex(m_kind.valueField)).asDouble()};
}

std::optional<double> TChartValueList::bodyMassIndexAt(int row) const
{
    const GrowthSeries::Measurement measure = measureAt(row);
    if (!measure.date.isValid())
        return std::nullopt;
    const std::optional<double> other = GrowthReference::nearestWithinAWeek(m_others, measure.date);
    if (!other || !(measure.value > 0))
        return std::nullopt;
    return m_kind.series == 1 ? GrowthReference::bodyMassIndex(measure.value, *other)
                              : GrowthReference::bodyMassIndex(*other, measure.value);
}

QVariant TChartValueList::centileCell(int row, int role) const
{
    const Measurements::Child child = Measurements::child(m_dm.Person);
    const std::optional<Assessment> assessment = GrowthReference::assess(
        Measurements::references(), m_kind.reference, child.sex, child.birth, measureAt(row));
    QString reference = QStringLiteral("Poids pour l'âge (OMS)");
    if (m_kind.reference == GrowthReference::Indicator::Height)
        reference = assessment && assessment->lying ? QStringLiteral("Longueur couchée pour l'âge (OMS)")
                                                    : QStringLiteral("Taille debout pour l'âge (OMS)");
    return assessmentCell(assessment, role, reference);
}

QVariant TChartValueList::bodyMassIndexCell(int row, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)
        return {};
    const std::optional<double> bmi = bodyMassIndexAt(row);
    if (!bmi)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignRight);
    return NumberFormat::formatFloat(QStringLiteral("#######0.0"), *bmi);
}

QVariant TChartValueList::bodyMassIndexCentileCell(int row, int role) const
{
    const std::optional<double> bmi = bodyMassIndexAt(row);
    if (!bmi)
        return {};
    const Measurements::Child child = Measurements::child(m_dm.Person);
    return assessmentCell(GrowthReference::assess(Measurements::references(), GrowthReference::Indicator::Bmi,
                                                  child.sex, child.birth, {measureAt(row).date, *bmi}),
                          role, QStringLiteral("IMC pour l'âge (OMS)"));
}
