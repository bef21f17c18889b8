#pragma once

class GridPage;
class QWidget;
class TDataModule1;

// Page "Evénements": the dated diary of the current person, a grid page
// over the Event dataset with its entry window.
namespace EventPage {
GridPage* create(TDataModule1& dm, QWidget* parent);
}
