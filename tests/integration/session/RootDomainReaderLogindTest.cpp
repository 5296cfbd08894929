#include "linux/session/RootDomainReaderLogind.h"

#include "EventLoopWait.h"
#include "LogindMock.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

QString procRoot(const char* name)
{
    return QStringLiteral(HOLLERBOX_TEST_DATA_DIR "/session/") + QString::fromLatin1(name);
}

RootDomainReaderLogind::Options readerOptions(const char* procName = "proc-lid-closed")
{
    RootDomainReaderLogind::Options options;
    options.procRoot = procRoot(procName);
    options.reconnectInterval = 50ms;
    return options;
}

constexpr auto kTick = 200ms;

/// Reads as the controller's ticks do, with the event loop running for a tick after each read; whether
/// `expected` was answered within `reads` reads.
bool answersWithin(RootDomainReaderLogind& reader, std::optional<bool> expected, int reads)
{
    for (int read = 0; read < reads; ++read) {
        if (reader.currentClamshellState() == expected) {
            return true;
        }
        processEventsFor(kTick);
    }
    return false;
}

/// Lets the read issued at construction be answered, then reads once.
std::optional<bool> settledLid(RootDomainReaderLogind& reader)
{
    reader.currentClamshellState();
    processEventsFor(kTick);
    return reader.currentClamshellState();
}

class RootDomainReaderLogindTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(buses.start(true, false));
    }

    SessionBusEnvironment buses;
    LogindMock logind{buses.systemBusAddress()};
};

// A read in flight from before a change may answer the old value once; the read after it is fresh.
TEST_F(RootDomainReaderLogindTest, LidChangesAreSeenWithinThreeReadsAndSleepSupportFollowsCanSuspend)
{
    ASSERT_TRUE(logind.start());
    RootDomainReaderLogind reader{readerOptions("proc-lid-closed")};
    EXPECT_EQ(reader.currentClamshellState(), std::nullopt) << "answered before logind did";
    EXPECT_TRUE(answersWithin(reader, false, 2));

    const std::pair<QVariant, std::optional<bool>> changes[] = {
        {true, true},
        {false, false},
        {QStringLiteral("closed"), std::nullopt},
        {QVariant::fromValue(1u), std::nullopt},
        {true, true},
    };
    for (const auto& [value, expected] : changes) {
        logind.setLidClosed(value);
        EXPECT_TRUE(answersWithin(reader, expected, 3)) << value.toString().toStdString();
    }

    const std::pair<const char*, std::optional<bool>> canSuspend[] = {
        {"yes", true}, {"challenge", true}, {"no", false}, {"na", false}, {"maybe", std::nullopt}};
    for (const auto& [answer, expected] : canSuspend) {
        logind.setCanSuspend(QString::fromLatin1(answer));
        EXPECT_EQ(reader.currentSleepSupported(), expected) << answer;
    }
}

TEST_F(RootDomainReaderLogindTest, LidIsAbsentWhenLogindLacksTheProperty)
{
    ASSERT_TRUE(logind.start(LogindMock::Options{.lidClosed = std::nullopt}));
    RootDomainReaderLogind reader{readerOptions("proc-lid-closed")};

    EXPECT_TRUE(reader.canOpenRootDomain());
    EXPECT_EQ(settledLid(reader), std::nullopt);
    EXPECT_FALSE(answersWithin(reader, true, 3)) << "the proc file answered for a reachable logind";
}

TEST_F(RootDomainReaderLogindTest, WithoutLogindTheLidComesFromTheAcpiButton)
{
    const std::pair<const char*, std::optional<bool>> cases[] = {{"proc-lid-closed", true},
                                                                 {"proc-lid-open", false},
                                                                 {"proc-lid-garbled", std::nullopt},
                                                                 {"no-such-proc", std::nullopt}};
    for (const auto& [proc, expected] : cases) {
        RootDomainReaderLogind reader{readerOptions(proc)};
        EXPECT_EQ(settledLid(reader), expected) << proc;
        EXPECT_FALSE(reader.canOpenRootDomain());
        EXPECT_EQ(reader.currentSleepSupported(), std::nullopt);
    }
}

TEST_F(RootDomainReaderLogindTest, LogindThatStartsLaterIsUsed)
{
    RootDomainReaderLogind reader{readerOptions("proc-lid-open")};
    EXPECT_FALSE(reader.canOpenRootDomain());
    EXPECT_EQ(settledLid(reader), false);

    ASSERT_TRUE(logind.start());
    logind.setLidClosed(true);
    EXPECT_TRUE(reader.canOpenRootDomain());
    EXPECT_TRUE(answersWithin(reader, true, 3));

    logind.stop();
    EXPECT_FALSE(reader.canOpenRootDomain());
    EXPECT_TRUE(answersWithin(reader, false, 3));
}

TEST_F(RootDomainReaderLogindTest, HungLogindCostsNothingPerReadAndIsLeftOutForTheQuietPeriod)
{
    ASSERT_TRUE(logind.start());
    logind.setLidClosed(true);
    auto options = readerOptions("proc-lid-open");
    options.lidReadTimeout = 300ms;
    RootDomainReaderLogind reader{options};
    ASSERT_TRUE(answersWithin(reader, true, 2));

    logind.pause();
    std::vector<std::optional<bool>> answers;
    const auto before = std::chrono::steady_clock::now();
    for (int read = 0; read < 20; ++read) {
        answers.push_back(reader.currentClamshellState());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, 50ms) << "a read waited for logind";
    EXPECT_EQ(answers, std::vector<std::optional<bool>>(20, true)) << "the last answer was not kept";

    EXPECT_TRUE(waitProcessingEvents([&] { return reader.currentClamshellState() == false; }, 2s))
        << "the ACPI button did not take over from the unanswered read";
    EXPECT_EQ(reader.currentSleepSupported(), std::nullopt);
    EXPECT_FALSE(reader.canOpenRootDomain());
    // A call sent to the stopped mock waits in its socket and is recorded once it runs again.
    logind.resume();
    EXPECT_EQ(logind.managerCalls(QStringLiteral("CanSuspend")), 0U)
        << "logind was called in its quiet period";
    EXPECT_TRUE(waitProcessingEvents([&] { return reader.currentClamshellState() == true; }, 2s));
    EXPECT_EQ(reader.currentSleepSupported(), true) << "an answer from logind ends its quiet period";
    EXPECT_EQ(logind.managerCalls(QStringLiteral("CanSuspend")), 1U);
}

TEST(RootDomainReaderWithoutBusTest, SystemBusThatAppearsLaterIsPickedUp)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start(false, false));
    RootDomainReaderLogind reader{readerOptions("proc-lid-open")};

    EXPECT_FALSE(reader.canOpenRootDomain());
    EXPECT_EQ(reader.currentClamshellState(), false) << "without a bus the proc file answers at once";

    ASSERT_TRUE(buses.systemBus().start());
    LogindMock logind{buses.systemBusAddress()};
    ASSERT_TRUE(logind.start());
    logind.setLidClosed(true);
    EXPECT_TRUE(waitFor([&] { return reader.canOpenRootDomain(); }, 5s));
    EXPECT_TRUE(answersWithin(reader, true, 3));
}

} // namespace
} // namespace hollerbox::testing
