#include "platform/AccessibleApplication.h"

#include <QAccessible>
#include <QAccessibleApplication>
#include <QGuiApplication>

namespace orlavo {
namespace {

QString& ApplicationName() {
    static QString name;
    return name;
}

class NamedApplication : public QAccessibleApplication {
public:
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && !ApplicationName().isEmpty())
            return ApplicationName();
        return QAccessibleApplication::text(t);
    }
};

QAccessibleInterface* MakeNamedApplication(const QString& className, QObject* object) {
    if (object && object == qApp && className == QLatin1String("QApplication"))
        return new NamedApplication;
    return nullptr;
}

}  // namespace

void SetAccessibleApplicationName(const QString& name) {
    static bool installed = false;
    ApplicationName() = name;
    if (!installed) {
        QAccessible::installFactory(MakeNamedApplication);
        installed = true;
    }
}

}  // namespace orlavo
