// Writes values into Ostavel's settings store the way the application reads them, for scripts
// that start the real binary with a prepared configuration.
//
//   ostavel_store_defaults [--configuration JSON] [--bool KEY=true|false]...
#include "Configuration/Configuration.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Ostavel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostavel"));
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString& option = args[i];
        const QString& value = args[i + 1];
        if (option == QLatin1String("--configuration")) {
            // Only a record the application can read back is stored.
            if (!Configuration::fromJson(value.toUtf8())) {
                std::fprintf(stderr, "not a valid configuration: %s\n", qPrintable(value));
                return 2;
            }
            UserDefaults::setValue(StoreKeys::configuration, value.toUtf8());
        } else if (option == QLatin1String("--bool")) {
            const qsizetype eq = value.indexOf(QLatin1Char('='));
            if (eq <= 0) {
                std::fprintf(stderr, "expected KEY=true|false: %s\n", qPrintable(value));
                return 2;
            }
            UserDefaults::setValue(value.left(eq), value.mid(eq + 1) == QLatin1String("true"));
        } else {
            std::fprintf(stderr, "unknown option %s\n", qPrintable(option));
            return 2;
        }
    }
    return args.size() % 2 == 0 ? 0 : 2;
}
