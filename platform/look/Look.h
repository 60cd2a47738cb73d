#pragma once
// The one look of both programs, the wizard and the updater: Fusion with a
// light, flat palette and one accent colour, round message-box icons drawn
// sharp at every scale, no icons on dialog buttons, no dotted rectangle in a
// push button (its focus shows in its border), and the style sheet of what
// both show: dialogs, push buttons and progress bars. Each program adds the
// sheet of its own parts to it.

class QApplication;
class QString;

namespace orlavo::look {

// The style and palette, for the whole program; applied once at start-up.
void ApplyLook(QApplication& app);

// The style sheet of the parts both programs show. Sizes are in
// device-independent pixels, so they scale with the screen.
const QString& SharedStyleSheet();

}  // namespace orlavo::look
