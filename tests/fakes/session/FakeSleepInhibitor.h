#pragma once

#include "session/SleepInhibitor.h"

#include <memory>
#include <string>
#include <vector>

namespace hollerbox::testing {

/// A sleep inhibitor that answers `status` and counts the inhibitions it granted and got back.
class FakeSleepInhibitor final : public SleepInhibitor
{
public:
    struct Counts
    {
        std::vector<std::string> requestedNames;
        int granted = 0;
        int returned = 0;
        int held() const { return granted - returned; }
    };

    explicit FakeSleepInhibitor(std::shared_ptr<Counts> counts) : m_counts(std::move(counts)) {}

    Result inhibit(const std::string& name) override
    {
        m_counts->requestedNames.push_back(name);
        if (status != 0 || withholdInhibition) {
            return {status, nullptr};
        }
        ++m_counts->granted;
        return {0, std::make_unique<CountedInhibition>(m_counts)};
    }

    std::int32_t status = 0;
    /// Claims success but hands over nothing, as a faulty platform might.
    bool withholdInhibition = false;

private:
    class CountedInhibition final : public Inhibition
    {
    public:
        explicit CountedInhibition(std::shared_ptr<Counts> counts) : m_counts(std::move(counts)) {}
        ~CountedInhibition() override { ++m_counts->returned; }

    private:
        std::shared_ptr<Counts> m_counts;
    };

    std::shared_ptr<Counts> m_counts;
};

} // namespace hollerbox::testing
