#pragma once
// Draws the updater's window in each of its states, and its one message box,
// as PNG files for the documentation (part of orlavo-screens).

class QString;

// Saves "updater-*.png" into FOLDER; true when every picture was written.
bool SaveUpdaterScreens(const QString& folder);
