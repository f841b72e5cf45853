#include "Services/Update/AppcastParser.h"
#include "Services/Update/VersionComparator.h"

#include <gtest/gtest.h>

namespace {
int compare(const char* a, const char* b)
{
    return VersionComparator::compare(QString::fromUtf8(a), QString::fromUtf8(b));
}

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
           "sparkle\">\n<channel><title>Ostavel</title>\n" +
           items + "\n</channel></rss>\n";
}
} // namespace

TEST(VersionComparator, OrdersSegmentBySegment)
{
    EXPECT_GT(compare("1.10", "1.9"), 0);
    EXPECT_LT(compare("1.9", "1.10"), 0);
    EXPECT_EQ(compare("1.4.2", "1.4.2"), 0);
    EXPECT_EQ(compare("1.0", "1.0.0"), 0);
    EXPECT_GT(compare("1.0.1", "1.0"), 0);
    EXPECT_GT(compare("2", "1.99.99"), 0);
    EXPECT_GT(compare("1.0.10", "1.0.9"), 0);
    EXPECT_EQ(compare("1.007", "1.7"), 0);
    EXPECT_GT(compare("1.123456789012345678901234567890", "1.99999999999999999999"), 0);
}

TEST(VersionComparator, NumbersRankAboveLetters)
{
    EXPECT_LT(compare("2.0b1", "2.0"), 0);
    EXPECT_LT(compare("2.0b1", "2.0.1"), 0);
    EXPECT_LT(compare("2.0b1", "2.0b2"), 0);
    EXPECT_LT(compare("2.0 beta 2", "2.0 rc 1"), 0);
    EXPECT_LT(compare("2.0alpha", "2.0beta"), 0);
    EXPECT_EQ(compare("2.0-Beta", "2.0beta"), 0);
    EXPECT_GT(compare("2.0", "2.0rc1"), 0);
}

TEST(AppcastParser, ReadsEveryFieldOfAnItem)
{
    const auto appcast = AppcastParser::parse(feed(R"xml(
        <item>
          <title>Ostavel 1.5</title>
          <link>https://example.org/ostavel/1.5</link>
          <sparkle:version>1.5.0</sparkle:version>
          <sparkle:shortVersionString>1.5</sparkle:shortVersionString>
          <description><![CDATA[<ul><li>Quieter breaks</li></ul>]]></description>
          <sparkle:releaseNotesLink> https://example.org/notes/1.5.html </sparkle:releaseNotesLink>
          <sparkle:minimumSystemVersion>12</sparkle:minimumSystemVersion>
          <enclosure url="https://example.org/ostavel-1.5.tar.gz" length="1623481"
                     type="application/octet-stream"/>
        </item>)xml"));
    ASSERT_TRUE(appcast.has_value());
    EXPECT_EQ(appcast->title, "Ostavel");
    ASSERT_EQ(appcast->items.size(), 1);
    const AppcastItem& item = appcast->items.first();
    EXPECT_EQ(item.title, "Ostavel 1.5");
    EXPECT_EQ(item.version, "1.5.0");
    EXPECT_EQ(item.shortVersion, "1.5");
    EXPECT_EQ(item.displayVersion(), "1.5");
    EXPECT_EQ(item.description, "<ul><li>Quieter breaks</li></ul>");
    EXPECT_EQ(item.releaseNotesLink, QUrl("https://example.org/notes/1.5.html"));
    EXPECT_EQ(item.minimumSystemVersion, "12");
    EXPECT_EQ(item.enclosureUrl, QUrl("https://example.org/ostavel-1.5.tar.gz"));
    EXPECT_EQ(item.enclosureLength, 1623481);
    EXPECT_EQ(item.downloadPage(), QUrl("https://example.org/ostavel/1.5"));
}

TEST(AppcastParser, TakesVersionsFromTheEnclosureAndSkipsItemsWithout)
{
    const auto appcast = AppcastParser::parse(feed(R"xml(
        <item><title>old style</title>
          <enclosure url="https://example.org/a.tar.gz" sparkle:version="1.3"
                     sparkle:shortVersionString="1.3 (final)" length="x"/></item>
        <item><title>no version at all</title>
          <enclosure url="https://example.org/b.tar.gz"/></item>
        <item><title>foreign namespace</title><version>9.9</version></item>)xml"));
    ASSERT_TRUE(appcast.has_value());
    ASSERT_EQ(appcast->items.size(), 1);
    EXPECT_EQ(appcast->items.first().version, "1.3");
    EXPECT_EQ(appcast->items.first().displayVersion(), "1.3 (final)");
    EXPECT_EQ(appcast->items.first().enclosureLength, -1);
    EXPECT_EQ(appcast->items.first().downloadPage(), QUrl("https://example.org/a.tar.gz"));
}

TEST(AppcastParser, RefusesWhatIsNotAWholeAppcast)
{
    const QByteArray good = feed("<item><sparkle:version>1.5</sparkle:version></item>");
    QString error;
    EXPECT_FALSE(AppcastParser::parse(good.left(good.size() / 2), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(AppcastParser::parse("<rss><channel><item></rss>", &error).has_value());
    EXPECT_FALSE(AppcastParser::parse("<html><body>Not found</body></html>", &error));
    EXPECT_EQ(error, "it is not an RSS feed");
    EXPECT_FALSE(AppcastParser::parse("", &error).has_value());
    EXPECT_FALSE(
        AppcastParser::parse(
            "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaa\">]><rss>&a;</rss>", &error)
            .has_value());
    EXPECT_EQ(error, "it declares a DTD");
    // An empty but well-formed feed is simply a feed without updates.
    const auto empty = AppcastParser::parse(feed(""));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->items.isEmpty());
}

TEST(AppcastParser, NewestUpdateIsTheHighestVersionAboveTheCurrentOne)
{
    Appcast appcast;
    for (const char* version : {"1.4.2", "1.10", "1.9", "1.4.1"}) {
        AppcastItem item;
        item.version = QString::fromUtf8(version);
        appcast.items.append(item);
    }
    EXPECT_EQ(AppcastParser::newestUpdate(appcast, "1.4.2", "stable")->version, "1.10");
    EXPECT_EQ(AppcastParser::newestUpdate(appcast, "1.9.5", "stable")->version, "1.10");
    EXPECT_FALSE(AppcastParser::newestUpdate(appcast, "1.10", "stable").has_value());
    EXPECT_FALSE(AppcastParser::newestUpdate(appcast, "2.0", "beta").has_value());
}

TEST(AppcastParser, ChannelTaggedItemsAreOfferedOnlyOnTheirChannel)
{
    const auto appcast = AppcastParser::parse(feed(R"xml(
        <item><sparkle:version>1.5</sparkle:version></item>
        <item><sparkle:version>1.7b1</sparkle:version><sparkle:channel> beta </sparkle:channel></item>
        <item><sparkle:version>1.8</sparkle:version><sparkle:channel>nightly</sparkle:channel></item>
        <item><sparkle:version>1.9</sparkle:version><channel>beta</channel></item>)xml"));
    ASSERT_TRUE(appcast.has_value());
    ASSERT_EQ(appcast->items.size(), 4);
    EXPECT_EQ(appcast->items[1].channel, "beta");
    // An element outside the appcast namespace is no channel tag.
    EXPECT_EQ(appcast->items[3].channel, "");
    EXPECT_EQ(AppcastParser::newestUpdate(*appcast, "1.4", "stable")->version, "1.9");
    EXPECT_FALSE(AppcastParser::newestUpdate(*appcast, "1.9", "beta").has_value());

    Appcast tagged = *appcast;
    tagged.items.removeLast();
    EXPECT_EQ(AppcastParser::newestUpdate(tagged, "1.4", "stable")->version, "1.5");
    EXPECT_EQ(AppcastParser::newestUpdate(tagged, "1.4", "beta")->version, "1.7b1");
    EXPECT_EQ(AppcastParser::newestUpdate(tagged, "1.4", "nightly")->version, "1.8");
}

TEST(AppcastParser, DeeplyNestedFieldsRefuseTheFeed)
{
    const auto nested = [](int depth) {
        return QByteArray("<b>").repeated(depth) + "x" + QByteArray("</b>").repeated(depth);
    };
    // Markup a few levels deep is still read as text.
    const auto shallow = AppcastParser::parse(feed("<item><sparkle:version>1.5</sparkle:version>"
                                                   "<description>" +
                                                   nested(20) + "</description></item>"));
    ASSERT_TRUE(shallow.has_value());
    EXPECT_EQ(shallow->items.first().description, "x");

    // Deep enough to overflow the stack of a recursive reader, in every field read as text and
    // in an element that is skipped, at two depths that both stay under the download cap.
    for (int depth : {80'000, 250'000}) {
        for (const char* field : {"description", "title", "sparkle:version", "unknown"}) {
            const QByteArray item = "<item><sparkle:version>1.5</sparkle:version><" +
                                    QByteArray(field) + ">" + nested(depth) + "</" + field +
                                    "></item>";
            QString error;
            EXPECT_FALSE(AppcastParser::parse(feed(item), &error).has_value()) << depth << field;
            EXPECT_TRUE(error.startsWith("elements are nested more than")) << error.toStdString();
        }
    }
}
