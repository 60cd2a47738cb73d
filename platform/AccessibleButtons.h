#pragma once
// Check boxes and radio buttons as a screen reader works them. Qt's own
// accessible button answers the "toggle" action with QAbstractButton::toggle(),
// which changes the box without the click that the windows act on, so the box
// showed ticked while the order did not change. Ours clicks, as Space does.

namespace orlavo {

// Call once, after the QApplication exists and before any window shows.
void InstallAccessibleButtons();

}  // namespace orlavo
