#pragma once

class GridPage;
class QWidget;
class TDataModule1;

// Page "Vaccins": the current person's injections, a grid page over the
// vaccination query, changed through the vaccinations table and its entry
// window.
namespace VaccinePage {
GridPage* create(TDataModule1& dm, QWidget* parent);
}
