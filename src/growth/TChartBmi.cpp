#include "TChartBmi.h"

#include "ChartExport.h"
#include "ChartModeMenu.h"
#include "ChartPanel.h"
#include "LineChart.h"
#include "Measurements.h"
#include "NumberFormat.h"
#include "TDataModule1.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kChartTitle = QStringLiteral("Evolution de l'indice de masse corporelle");

// The index at birth, when both birth values are known.
QString birthIndex(const Dataset& person)
{
    if (!person.isActive() || person.isEmpty())
        return {};
    const std::optional<double> weight =
        NumberFormat::parseDecimal(person.field(QStringLiteral("BirthDay_Weight")).asString());
    const std::optional<double> length =
        NumberFormat::parseDecimal(person.field(QStringLiteral("BirthDay_Size")).asString());
    if (!weight || !length || !(*weight > 0) || !(*length > 0))
        return {};
    return QString::number(GrowthReference::bodyMassIndex(*weight, *length), 'g', 10);
}
} // namespace

TChartBmi::TChartBmi(TDataModule1& dm, QList<GrowthSeries::Measurement> indices, int mode, QWidget* parent)
    : QDialog(parent), m_dm(dm), m_indices(std::move(indices)),
      m_panel(new ChartPanel(QStringLiteral("Chart_Bmi"), kChartTitle, this)), m_mode(mode)
{
    setObjectName(QStringLiteral("ChartBmi"));
    setWindowTitle(QStringLiteral("Courbe de l'indice de masse corporelle"));
    chart()->setTitleShown(true);
    m_panel->addButton(QStringLiteral("Btn_Print"), QStringLiteral("Imprimer"),
                       QStringLiteral("document-print"), QStyle::SP_FileDialogContentsView,
                       [this] { Btn_PrintClick(); });
    m_panel->addButton(QStringLiteral("Btn_Save"), QStringLiteral("Enregistrer l'image"),
                       QStringLiteral("document-save"), QStyle::SP_DialogSaveButton,
                       [this] { Btn_SaveClick(); });
    m_type = m_panel->addButton(QStringLiteral("Btn_Type"), QStringLiteral("Affichage"),
                                QStringLiteral("view-list-details"), QStyle::SP_FileDialogListView,
                                [this] { Btn_TypeClick(); });
    m_panel->setAvailable(true);

    auto* closeButton = new QPushButton(QStringLiteral(" &Fermer"), this);
    closeButton->setObjectName(QStringLiteral("Btn_Close"));
    closeButton->setAccessibleName(QStringLiteral("Fermer"));
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &TChartBmi::Btn_CloseClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panel, 1);
    layout->addLayout(buttons);
    resize(720, 480);
    rebuild();
}

LineChart* TChartBmi::chart() const
{
    return m_panel->chart();
}

void TChartBmi::rebuild()
{
    Chart::Data shown = GrowthSeries::build(Measurements::input(
        m_dm.Person, m_indices, birthIndex(m_dm.Person), GrowthReference::Indicator::Bmi, m_mode, {1, 1}));
    shown.title = kChartTitle;
    chart()->setData(shown);
}

void TChartBmi::Btn_PrintClick()
{
    ChartExport::printChart(chart()->data(), Chart::personText(m_dm.Person), this);
}

void TChartBmi::Btn_SaveClick()
{
    ChartExport::SaveChartAsJpeg(chart()->data(), Chart::personText(m_dm.Person));
}

void TChartBmi::Btn_TypeClick()
{
    const std::optional<int> mode =
        ChartModeMenu::choose(m_type, QStringLiteral("Popup_Type"), ChartModeMenu::growthEntries(), m_mode);
    if (!mode)
        return;
    m_mode = *mode;
    rebuild();
}
