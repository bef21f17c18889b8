#pragma once

// Qt's accessible application object lists only the program's ordinary
// windows: a pop-up menu, a window of its own while it is open, is left out,
// so assistive technologies that walk the tree never find it or its entries.
// Once installed, every open menu is also a child of the application, with
// its entries, for as long as it is open.
namespace MenuAccessibility {

// Call before the QApplication is created: its accessible object is made once.
void install();

} // namespace MenuAccessibility
