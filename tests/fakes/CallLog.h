#pragma once

#include <memory>
#include <string>
#include <vector>

namespace hollerbox::testing {

/// The calls made on a set of fakes, in the order they happened.
class CallLog
{
public:
    void add(std::string call) { m_calls.push_back(std::move(call)); }
    const std::vector<std::string>& calls() const { return m_calls; }
    void clear() { m_calls.clear(); }

private:
    std::vector<std::string> m_calls;
};

} // namespace hollerbox::testing
