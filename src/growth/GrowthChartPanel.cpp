#include "GrowthChartPanel.h"

#include "ChartExport.h"
#include "ChartModeMenu.h"
#include "CommandGuard.h"
#include "DatasetUtils.h"
#include "LineChart.h"
#include "Measurements.h"
#include "TChartValueList.h"
#include "TDataModule1.h"

#include <QPushButton>
#include <QVBoxLayout>

GrowthChartPanel::GrowthChartPanel(TDataModule1& dm, const MeasureKind& kind, QWidget* parent)
    : ChartPanel(QStringLiteral("Chart_") + kind.name, kind.chartTitle, parent), m_dm(dm), m_kind(kind)
{
    const QString prefix = QStringLiteral("Btn_Chart_") + kind.name;
    addButton(prefix + QStringLiteral("_Edit"), QStringLiteral("Modifier"), QStringLiteral("document-edit"),
              QStyle::SP_FileDialogDetailedView, [this] { Btn_EditClick(); });
    addButton(prefix + QStringLiteral("_Print"), QStringLiteral("Imprimer"), QStringLiteral("document-print"),
              QStyle::SP_FileDialogContentsView, [this] { Btn_PrintClick(); });
    addButton(prefix + QStringLiteral("_Save"), QStringLiteral("Enregistrer l'image"),
              QStringLiteral("document-save"), QStyle::SP_DialogSaveButton, [this] { Btn_SaveClick(); });
    m_type = addButton(prefix + QStringLiteral("_Type"), QStringLiteral("Affichage"),
                       QStringLiteral("view-list-details"), QStyle::SP_FileDialogListView,
                       [this] { Btn_TypeClick(); });
    connectCommand(chart(), &LineChart::doubleClicked, this, [this] { Btn_EditClick(); });
    // The centiles follow the sex and the birth date as they are entered.
    connectCommand(&dm.Person, &Dataset::fieldChanged, this, [this](int index) {
        const Dataset& person = m_dm.Person;
        if (isVisible() && (index == person.fieldIndex(QStringLiteral("Sex")) ||
                            index == person.fieldIndex(QStringLiteral("BirthDay_Date"))))
            rebuild();
    });
}

GrowthChartPanel* GrowthChartPanel::placeIn(QWidget* box, TDataModule1& dm, const MeasureKind& kind)
{
    auto* panel = new GrowthChartPanel(dm, kind, box);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->addWidget(panel);
    return panel;
}

QImage GrowthChartPanel::picture(TDataModule1& dm, const MeasureKind& kind, int personId, QSize size)
{
    Measurements::open(dm, kind, personId, DatasetUtils::currentId(kind.dataset(dm)));
    // The record names the chart above it: no title inside.
    return ChartExport::render(GrowthSeries::build(Measurements::input(
                                   dm, kind, Measurements::storedMode(dm, kind), kind.pageMargins)),
                               size);
}

void GrowthChartPanel::reload()
{
    Measurements::open(m_dm, m_kind, DatasetUtils::currentId(m_dm.Person));
    rebuild();
}

void GrowthChartPanel::rebuild()
{
    Chart::Data shown = GrowthSeries::build(
        Measurements::input(m_dm, m_kind, Measurements::storedMode(m_dm, m_kind), m_kind.pageMargins));
    shown.title = m_kind.chartTitle;
    chart()->setData(shown);
}

void GrowthChartPanel::Btn_EditClick()
{
    if (DatasetUtils::currentId(m_dm.Person) < 0)
        return;
    {
        TChartValueList values(m_dm, m_kind, window());
        values.exec();
    }
    reload();
    emit changed();
}

void GrowthChartPanel::Btn_PrintClick()
{
    if (DatasetUtils::currentId(m_dm.Person) >= 0)
        ChartExport::printChart(chart()->data(), Chart::personText(m_dm.Person), window());
}

void GrowthChartPanel::Btn_SaveClick()
{
    const Dataset& person = m_dm.Person;
    if (DatasetUtils::currentId(person) < 0)
        return;
    ChartExport::SaveChartAsJpeg(chart()->data(), Chart::personText(person));
}

void GrowthChartPanel::Btn_TypeClick()
{
    const std::optional<int> mode =
        ChartModeMenu::choose(m_type, QStringLiteral("Popup_Chart_") + m_kind.name + QStringLiteral("_Type"),
                              ChartModeMenu::growthEntries(), Measurements::storedMode(m_dm, m_kind));
    if (!mode)
        return;
    Measurements::storeMode(m_dm.Person, m_kind.modeField, *mode);
    rebuild();
    emit changed();
}
