#include "linux/session/SleepInhibitorLogind.h"

#include "LogindMock.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"
#include "WaitFor.h"
#include "session/PowerAssertionLease.h"

#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

class SleepInhibitorLogindTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(buses.start(true, false));
        ASSERT_TRUE(logind.start());
    }

    bool inhibitorCountBecomes(std::size_t count)
    {
        return waitFor([&] { return logind.listInhibitors().size() == count; }, 5s, 10ms);
    }

    SessionBusEnvironment buses;
    LogindMock logind{buses.systemBusAddress()};
    PowerAssertionLease lease{std::make_unique<SleepInhibitorLogind>()};
};

TEST_F(SleepInhibitorLogindTest, HeldInhibitorIsListedUntilReleasedAndCanBeTakenAgain)
{
    ASSERT_EQ(lease.acquire("HollerboxApp"), 0);
    EXPECT_TRUE(lease.isActive());

    const auto inhibitors = logind.listInhibitors();
    ASSERT_EQ(inhibitors.size(), 1u);
    EXPECT_EQ(inhibitors[0].what, QStringLiteral("idle:sleep"));
    EXPECT_EQ(inhibitors[0].who, QStringLiteral("Hollerbox"));
    EXPECT_EQ(inhibitors[0].why, QStringLiteral("HollerboxApp"));
    EXPECT_EQ(inhibitors[0].mode, QStringLiteral("block"));

    lease.release();
    EXPECT_FALSE(lease.isActive());
    EXPECT_TRUE(inhibitorCountBecomes(0));
    ASSERT_EQ(lease.acquire("HollerboxApp"), 0);
    EXPECT_TRUE(inhibitorCountBecomes(1)) << "a released inhibitor can be taken again";
}

TEST_F(SleepInhibitorLogindTest, ARefusalOrAnAbsentLogindIsANonZeroStatusAndHoldsNothing)
{
    logind.refuseInhibit(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    EXPECT_EQ(lease.acquire("HollerboxApp"), SleepInhibitorLogind::refused);
    EXPECT_FALSE(lease.isActive());
    logind.stop();
    EXPECT_EQ(lease.acquire("HollerboxApp"), SleepInhibitorLogind::logindUnavailable);
    EXPECT_FALSE(lease.isActive());
}

TEST(SleepInhibitorWithoutBusTest, NoSystemBusIsANonZeroStatus)
{
    ensureCoreApplication();
    SessionBusEnvironment buses;
    ASSERT_TRUE(buses.start(false, false));
    PowerAssertionLease lease{std::make_unique<SleepInhibitorLogind>()};
    EXPECT_EQ(lease.acquire("HollerboxApp"), SleepInhibitorLogind::busUnavailable);
    EXPECT_FALSE(lease.isActive());
}

} // namespace
} // namespace hollerbox::testing
