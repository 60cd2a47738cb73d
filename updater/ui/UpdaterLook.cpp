#include "updater/ui/UpdaterLook.h"

#include <QApplication>
#include <QString>

#include "platform/look/Look.h"

void ApplyUpdaterLook(QApplication& app) {
    orlavo::look::ApplyLook(app);
}

const QString& UpdaterStyleSheet() {
    static const QString sheet = orlavo::look::SharedStyleSheet() + QStringLiteral(R"(
#banner { background: #2b3566; }
#bannerHeading { color: #ffffff; }
#versionLabel { color: rgba(255, 255, 255, 190); }
#statusText { color: #1f2430; }
#detailText { color: #6a7280; }
QFrame#rule { color: #d5d9e0; }
)");
    return sheet;
}
