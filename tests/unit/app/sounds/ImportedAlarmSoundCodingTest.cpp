#include "model/sounds/ImportedAlarmSoundCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace hollerbox {
namespace {

TEST(ImportedAlarmSoundCoding, RoundTripsWithCanonicalIds)
{
    const QList<ImportedAlarmSound> sounds{{QUuid::createUuid(), QStringLiteral("/data/ImportedAlarms/a.wav"),
                                            QStringLiteral("Custom Sound 1"),
                                            QStringLiteral("Wecker \"laut\" é.WAV")},
                                           {QUuid::createUuid(), QStringLiteral("/data/ImportedAlarms/b.mp3"),
                                            QStringLiteral("Custom Sound 2"), QStringLiteral("b.mp3")}};

    const QByteArray data = ImportedAlarmSoundCoding::encode(sounds);
    EXPECT_EQ(ImportedAlarmSoundCoding::decode(data), sounds);

    const QJsonArray array = QJsonDocument::fromJson(data).array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject first = array.first().toObject();
    EXPECT_EQ(first.keys(), (QStringList{"displayName", "fileName", "id", "path"}));
    EXPECT_EQ(first.value("id").toString().size(), 36);
    EXPECT_EQ(QUuid::fromString(first.value("id").toString()), sounds.first().id);
    EXPECT_FALSE(data.contains('\n'));
}

TEST(ImportedAlarmSoundCoding, ReadsUpperCaseIdsAndIgnoresUnknownKeys)
{
    const auto sounds = ImportedAlarmSoundCoding::decode(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","path":"/x.wav","displayName":"Custom Sound 1",)"
        R"("fileName":"x.wav","extra":1}])");

    ASSERT_EQ(sounds.size(), 1);
    EXPECT_EQ(sounds.first().id, QUuid::fromString(QStringLiteral("e621e1f8-c36c-495a-93fc-0c247a3e6e5f")));
    EXPECT_EQ(sounds.first().path, QStringLiteral("/x.wav"));
}

TEST(ImportedAlarmSoundCoding, AnythingUnreadableDecodesAsEmpty)
{
    const char* const good =
        R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","path":"/x.wav","displayName":"a",)"
        R"("fileName":"x.wav"})";
    for (const QByteArray& data :
         {QByteArray{}, QByteArray{"not json"}, QByteArray{good}, QByteArray{"[1]"},
          QByteArray{"["} + good + R"(,{"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","path":"/y.wav"}])",
          QByteArray{"["} + good + "," +
              QByteArray{good}.replace("e621e1f8-", "{e621e1f8-").replace("6e5f", "6e5f}") + "]",
          QByteArray{"["} + QByteArray{good}.replace("e621e1f8-c36c-495a-93fc-0c247a3e6e5f", "not-a-uuid") +
              "]",
          QByteArray{"["} + QByteArray{good}.replace(R"("/x.wav")", "7") + "]"}) {
        SCOPED_TRACE(data.toStdString());
        EXPECT_TRUE(ImportedAlarmSoundCoding::decode(data).isEmpty());
    }
}

} // namespace
} // namespace hollerbox
