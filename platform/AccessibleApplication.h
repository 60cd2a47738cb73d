#pragma once
// The name a screen reader announces for the program as a whole. Qt names the
// application's accessible object after QCoreApplication::applicationName(),
// which the wizard keeps as a single blank (the caption of its plain message
// boxes); users hear the display name instead.

#include <QString>

namespace orlavo {

// Call once, after the QApplication exists and before any window shows.
void SetAccessibleApplicationName(const QString& name);

}  // namespace orlavo
