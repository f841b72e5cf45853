// Starts crash reporting the way the app does, then crashes as asked: "segv", "terminate" or
// "abort". Arguments: <storage folder> <mode>.
#include "Platform/Clock.h"
#include "Platform/ServiceTimer.h"
#include "Services/CrashReporting/SentryManager.h"
#include "Services/HttpsClient.h"

#include <QCoreApplication>
#include <cstdlib>
#include <stdexcept>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    // No core file from a crash we cause on purpose.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    QCoreApplication app(argc, argv);
    SystemClock clock;
    auto client = std::make_unique<CrashReportClient>(clock, std::make_unique<HttpsClient>(),
                                                      std::make_unique<QtServiceTimer>(),
                                                      QString::fromLocal8Bit(argv[1]));
    // Never contacted: the queue is empty and the crash happens before any upload.
    SentryManager manager(
        std::move(client),
        QStringLiteral("https://0123456789abcdef0123456789abcdef@ingest.invalid/42"),
        QStringLiteral("1.4.2"));
    if (!manager.start())
        return 3;
    manager.setUpdateChannel(UpdateChannel::beta);

    const QByteArray mode = argv[2];
    if (mode == "segv") {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    } else if (mode == "terminate") {
        throw std::runtime_error("nobody catches this");
    } else if (mode == "abort") {
        std::abort();
    }
    return 0;
}
