#include "model/presentation/ProtectionSensitivityLevel.h"

#include <gmock/gmock.h>
#include <unordered_set>

namespace hollerbox::testing {
namespace {

using Level = ProtectionSensitivityLevel;

TEST(ProtectionSensitivityLevelTest, PresetsHaveTheirRawValuesTitlesThresholdsAndDescriptions)
{
    const struct
    {
        Level level;
        std::string_view rawValue;
        std::string_view title;
        double thresholdG;
        std::string_view description;
    } cases[] = {
        {Level::low, "low", "Low", 0.08,
         "Calmer and harder to trigger. Best when you want fewer false alarms."},
        {Level::medium, "medium", "Medium", 0.05,
         "The everyday setting. A good balance between chill and watchful."},
        {Level::high, "high", "High", 0.02, "Quick to react. Great for drama, but easier to set off."},
    };
    std::vector<Level> order;
    for (const auto& entry : cases) {
        EXPECT_EQ(entry.level.rawValue(), entry.rawValue);
        EXPECT_EQ(entry.level.title(), entry.title);
        EXPECT_EQ(entry.level.thresholdG(), entry.thresholdG);
        EXPECT_EQ(entry.level.description(), entry.description);
        EXPECT_EQ(Level::fromRawValue(entry.rawValue), entry.level);
        EXPECT_EQ(Level::nearest(entry.level.thresholdG()), entry.level);
        order.push_back(entry.level);
    }
    const auto all = Level::allCases();
    EXPECT_EQ(std::vector<Level>(all.begin(), all.end()), order);
    EXPECT_EQ(std::unordered_set<Level>(all.begin(), all.end()).size(), 3u);
    for (const auto text : {"Low", "MEDIUM", " high", "", "lowest"}) {
        EXPECT_EQ(Level::fromRawValue(text), std::nullopt) << text;
    }
}

TEST(ProtectionSensitivityLevelTest, AThresholdReadsAsTheNearestPresetWithTiesGoingToTheCalmerOne)
{
    const struct
    {
        double thresholdG;
        Level expected;
    } cases[] = {
        {0.065, Level::low},    {0.035, Level::medium}, {0.06, Level::medium}, {0.03, Level::high},
        {0.15, Level::low},     {0.5, Level::low},      {0.0, Level::high},    {-1.0, Level::high},
        {0.064, Level::medium}, {0.034, Level::high},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(Level::nearest(entry.thresholdG), entry.expected) << entry.thresholdG;
    }
}

} // namespace
} // namespace hollerbox::testing
