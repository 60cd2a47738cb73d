#pragma once
// The wizard's look: a light, flat palette with one accent colour, applied
// to the whole application once at start-up.

class QApplication;

void ApplyAppLook(QApplication& app);
