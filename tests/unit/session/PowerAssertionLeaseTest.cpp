#include "session/PowerAssertionLease.h"

#include "session/FakeSleepInhibitor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

using ::testing::ElementsAre;

class PowerAssertionLeaseTest : public ::testing::Test
{
protected:
    std::shared_ptr<FakeSleepInhibitor::Counts> counts = std::make_shared<FakeSleepInhibitor::Counts>();
    FakeSleepInhibitor* inhibitor = nullptr;

    std::unique_ptr<PowerAssertionLease> makeLease()
    {
        auto owned = std::make_unique<FakeSleepInhibitor>(counts);
        inhibitor = owned.get();
        return std::make_unique<PowerAssertionLease>(std::move(owned));
    }
};

TEST_F(PowerAssertionLeaseTest, TwoAcquiresTakeOneInhibitionAndOneReleaseGivesItBack)
{
    auto lease = makeLease();

    EXPECT_EQ(lease->acquire("HollerboxApp"), 0);
    EXPECT_EQ(lease->acquire("HollerboxApp"), 0);
    EXPECT_TRUE(lease->isActive());
    EXPECT_EQ(counts->granted, 1);

    lease->release();
    EXPECT_FALSE(lease->isActive());
    EXPECT_EQ(counts->held(), 0);
    EXPECT_THAT(counts->requestedNames, ElementsAre("HollerboxApp"));

    lease->release();
    EXPECT_EQ(counts->returned, 1);
}

TEST_F(PowerAssertionLeaseTest, ReleaseOnAFreshLeaseAsksNothing)
{
    auto lease = makeLease();
    lease->release();
    EXPECT_TRUE(counts->requestedNames.empty());
    EXPECT_EQ(counts->returned, 0);
    EXPECT_FALSE(lease->isActive());
}

TEST_F(PowerAssertionLeaseTest, DestructionReturnsAHeldInhibition)
{
    auto lease = makeLease();
    lease->acquire("HollerboxApp");
    lease.reset();
    EXPECT_EQ(counts->granted, 1);
    EXPECT_EQ(counts->returned, 1);
}

TEST_F(PowerAssertionLeaseTest, RefusalIsReturnedUnchangedAndTheNextAcquireTriesAgain)
{
    auto lease = makeLease();
    inhibitor->status = 5;
    EXPECT_EQ(lease->acquire("HollerboxApp"), 5);
    EXPECT_FALSE(lease->isActive());

    inhibitor->status = 0;
    EXPECT_EQ(lease->acquire("HollerboxApp"), 0);
    EXPECT_TRUE(lease->isActive());
    EXPECT_EQ(counts->requestedNames.size(), 2u);
    EXPECT_EQ(counts->granted, 1);
}

TEST_F(PowerAssertionLeaseTest, SuccessWithoutAnInhibitionIsAFailure)
{
    auto lease = makeLease();
    inhibitor->withholdInhibition = true;
    EXPECT_EQ(lease->acquire("HollerboxApp"), PowerAssertionLease::missingInhibitionStatus);
    EXPECT_FALSE(lease->isActive());
}

TEST_F(PowerAssertionLeaseTest, AcquireAfterReleaseTakesAFreshInhibition)
{
    auto lease = makeLease();
    lease->acquire("first");
    lease->release();
    lease->acquire("second");
    EXPECT_TRUE(lease->isActive());
    EXPECT_EQ(counts->granted, 2);
    EXPECT_EQ(counts->held(), 1);
    EXPECT_THAT(counts->requestedNames, ElementsAre("first", "second"));
}

} // namespace
} // namespace hollerbox::testing
