#pragma once
// Opening a web page of the lab (help, terms, web album) in the user's
// browser, and saying so when it cannot be done.

#include <QString>

class AppEffects;
class QWidget;

// Hands ADDRESS to the browser. When there is no address, or nothing takes
// it (no browser), a message over OWNER says so and names the address.
// True when the address was handed over.
bool OpenInBrowser(AppEffects& effects, QWidget* owner, const QString& address);
