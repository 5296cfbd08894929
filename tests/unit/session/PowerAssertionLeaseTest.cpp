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

TEST_F(PowerAssertionLeaseTest, TwoAcquiresTakeOneInhibitionOneReleaseGivesItBackAndTheNextIsFresh)
{
    auto lease = makeLease();
    lease->release();
    EXPECT_TRUE(counts->requestedNames.empty()) << "a fresh lease's release asks nothing";

    EXPECT_EQ(lease->acquire("HollerboxApp"), 0);
    EXPECT_EQ(lease->acquire("HollerboxApp"), 0);
    EXPECT_TRUE(lease->isActive());
    EXPECT_EQ(counts->granted, 1);

    lease->release();
    lease->release();
    EXPECT_FALSE(lease->isActive());
    EXPECT_EQ(counts->returned, 1);

    lease->acquire("second");
    EXPECT_TRUE(lease->isActive());
    EXPECT_EQ(counts->granted, 2);
    EXPECT_THAT(counts->requestedNames, ElementsAre("HollerboxApp", "second"));
    lease.reset();
    EXPECT_EQ(counts->held(), 0) << "destruction returns a held inhibition";
}

TEST_F(PowerAssertionLeaseTest, RefusalsAreReturnedAndTheNextAcquireTriesAgain)
{
    auto lease = makeLease();
    inhibitor->status = 5;
    EXPECT_EQ(lease->acquire("HollerboxApp"), 5);
    EXPECT_FALSE(lease->isActive());

    inhibitor->status = 0;
    inhibitor->withholdInhibition = true;
    EXPECT_EQ(lease->acquire("HollerboxApp"), PowerAssertionLease::missingInhibitionStatus)
        << "success without an inhibition is a failure";
    EXPECT_FALSE(lease->isActive());

    inhibitor->withholdInhibition = false;
    EXPECT_EQ(lease->acquire("HollerboxApp"), 0);
    EXPECT_TRUE(lease->isActive());
    EXPECT_EQ(counts->requestedNames.size(), 3u);
}

} // namespace
} // namespace hollerbox::testing
