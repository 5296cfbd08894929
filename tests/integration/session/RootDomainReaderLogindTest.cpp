#include "linux/session/RootDomainReaderLogind.h"

#include "LogindMock.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"
#include "WaitFor.h"

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

TEST_F(RootDomainReaderLogindTest, ReadsTheLidFromLogindWhenAskedAndIgnoresTheProcFile)
{
    ASSERT_TRUE(logind.start());
    RootDomainReaderLogind reader{readerOptions("proc-lid-closed")};

    EXPECT_TRUE(reader.canOpenRootDomain());
    EXPECT_EQ(reader.currentClamshellState(), false);
    logind.setLidClosed(true);
    EXPECT_EQ(reader.currentClamshellState(), true);
    logind.setLidClosed(false);
    EXPECT_EQ(reader.currentClamshellState(), false);
}

TEST_F(RootDomainReaderLogindTest, LidIsAbsentWhenLogindLacksTheProperty)
{
    ASSERT_TRUE(logind.start(LogindMock::Options{.lidClosed = std::nullopt}));
    RootDomainReaderLogind reader{readerOptions("proc-lid-closed")};

    EXPECT_TRUE(reader.canOpenRootDomain());
    EXPECT_EQ(reader.currentClamshellState(), std::nullopt);
}

TEST_F(RootDomainReaderLogindTest, LidOfAnotherTypeIsAbsent)
{
    ASSERT_TRUE(logind.start());
    RootDomainReaderLogind reader{readerOptions("proc-lid-closed")};

    logind.setLidClosed(QStringLiteral("closed"));
    EXPECT_EQ(reader.currentClamshellState(), std::nullopt);
    logind.setLidClosed(QVariant::fromValue(1u));
    EXPECT_EQ(reader.currentClamshellState(), std::nullopt);
    logind.setLidClosed(true);
    EXPECT_EQ(reader.currentClamshellState(), true);
}

TEST_F(RootDomainReaderLogindTest, SleepSupportFollowsCanSuspend)
{
    ASSERT_TRUE(logind.start());
    RootDomainReaderLogind reader{readerOptions()};

    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"yes", true}, {"challenge", true}, {"no", false}, {"na", false}, {"maybe", std::nullopt}};
    for (const auto& [answer, expected] : cases) {
        logind.setCanSuspend(QString::fromLatin1(answer));
        EXPECT_EQ(reader.currentSleepSupported(), expected) << answer;
    }
}

TEST_F(RootDomainReaderLogindTest, WithoutLogindTheLidComesFromTheAcpiButton)
{
    RootDomainReaderLogind closed{readerOptions("proc-lid-closed")};
    RootDomainReaderLogind open{readerOptions("proc-lid-open")};
    RootDomainReaderLogind garbled{readerOptions("proc-lid-garbled")};
    RootDomainReaderLogind missing{readerOptions("no-such-proc")};

    EXPECT_EQ(closed.currentClamshellState(), true);
    EXPECT_EQ(open.currentClamshellState(), false);
    EXPECT_EQ(garbled.currentClamshellState(), std::nullopt);
    EXPECT_EQ(missing.currentClamshellState(), std::nullopt);
    EXPECT_FALSE(closed.canOpenRootDomain());
    EXPECT_EQ(closed.currentSleepSupported(), std::nullopt);
}

TEST_F(RootDomainReaderLogindTest, LogindThatStartsLaterIsUsed)
{
    RootDomainReaderLogind reader{readerOptions("proc-lid-open")};
    EXPECT_FALSE(reader.canOpenRootDomain());

    ASSERT_TRUE(logind.start());
    logind.setLidClosed(true);
    EXPECT_TRUE(reader.canOpenRootDomain());
    EXPECT_EQ(reader.currentClamshellState(), true);

    logind.stop();
    EXPECT_FALSE(reader.canOpenRootDomain());
    EXPECT_EQ(reader.currentClamshellState(), false);
}

TEST_F(RootDomainReaderLogindTest, HungLogindCostsOneBoundedWaitThenTheFallbackAnswers)
{
    ASSERT_TRUE(logind.start());
    RootDomainReaderLogind reader{readerOptions("proc-lid-closed")};
    EXPECT_EQ(reader.currentClamshellState(), false);

    logind.pause();
    const auto before = std::chrono::steady_clock::now();
    const auto first = reader.currentClamshellState();
    const auto second = reader.currentClamshellState();
    const auto elapsed = std::chrono::steady_clock::now() - before;
    logind.resume();

    EXPECT_EQ(first, true);
    EXPECT_EQ(second, true);
    EXPECT_LT(elapsed, 2s) << "the calls were not bounded";
}

TEST(RootDomainReaderWithoutBusTest, SystemBusThatAppearsLaterIsPickedUp)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start(false, false));
    RootDomainReaderLogind reader{readerOptions("proc-lid-open")};

    EXPECT_FALSE(reader.canOpenRootDomain());
    EXPECT_EQ(reader.currentClamshellState(), false);

    ASSERT_TRUE(buses.systemBus().start());
    LogindMock logind{buses.systemBusAddress()};
    ASSERT_TRUE(logind.start());
    logind.setLidClosed(true);
    EXPECT_TRUE(waitFor([&] { return reader.canOpenRootDomain(); }, 5s));
    EXPECT_EQ(reader.currentClamshellState(), true);
}

} // namespace
} // namespace hollerbox::testing
