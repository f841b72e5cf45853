// How long the main thread spends parsing the largest appcast the checker accepts (2 MiB), and
// choosing the newest update from it.
#include "Services/Update/AppcastParser.h"

#include <benchmark/benchmark.h>

namespace {
QByteArray feedOfSize(qsizetype bytes)
{
    QByteArray feed = "<?xml version=\"1.0\"?><rss version=\"2.0\" "
                      "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
                      "<channel><title>Ostavel</title>";
    for (int i = 0; feed.size() < bytes - 600; ++i) {
        const QByteArray version =
            "1." + QByteArray::number(i / 100) + "." + QByteArray::number(i % 100);
        feed += "<item><title>Ostavel " + version + "</title><sparkle:version>" + version +
                "</sparkle:version><description><![CDATA[<ul><li>Fixes and small "
                "improvements to the break overlay and the status menu.</li></ul>]]>"
                "</description><pubDate>Mon, 02 Mar 2026 08:00:00 +0000</pubDate>"
                "<enclosure url=\"https://example.org/ostavel-" +
                version + ".tar.gz\" length=\"1623481\" type=\"application/gzip\"/></item>";
    }
    return feed + "</channel></rss>";
}

void parseLargestAcceptedFeed(benchmark::State& state)
{
    const QByteArray feed = feedOfSize(2 * 1024 * 1024);
    for (auto _ : state) {
        auto appcast = AppcastParser::parse(feed);
        benchmark::DoNotOptimize(AppcastParser::newestUpdate(*appcast, QStringLiteral("1.4.2"),
                                                             QStringLiteral("stable")));
    }
    state.SetBytesProcessed(state.iterations() * feed.size());
}
BENCHMARK(parseLargestAcceptedFeed)->Unit(benchmark::kMillisecond);

void parseTypicalFeed(benchmark::State& state)
{
    const QByteArray feed = feedOfSize(8 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(AppcastParser::parse(feed));
}
BENCHMARK(parseTypicalFeed)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
