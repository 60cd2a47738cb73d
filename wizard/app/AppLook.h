#pragma once
// The wizard's look: the look both programs share (platform/look) with the
// wizard's own parts, applied to the whole application once at start-up.

class QApplication;
class QString;

void ApplyAppLook(QApplication& app);

// The shared style sheet followed by the wizard's own parts.
const QString& AppStyleSheet();
