#pragma once
// The updater's look: the look both programs share (platform/look) with the
// updater's banner and texts.

class QApplication;
class QString;

// The style and palette, for the whole program; applied once at start-up.
void ApplyUpdaterLook(QApplication& app);

// The style sheet of the updater's window; the window sets it on itself, so
// it looks the same in any program that shows it.
const QString& UpdaterStyleSheet();
