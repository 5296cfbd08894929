#include "HidReportDescriptor.h"

#include <algorithm>

namespace hollerbox {

namespace {

enum class ItemType : std::uint8_t
{
    main = 0,
    global = 1,
    local = 2,
};

namespace MainTag {
constexpr std::uint8_t input = 0x8;
constexpr std::uint8_t output = 0x9;
constexpr std::uint8_t collection = 0xA;
constexpr std::uint8_t feature = 0xB;
constexpr std::uint8_t endCollection = 0xC;
} // namespace MainTag

namespace GlobalTag {
constexpr std::uint8_t usagePage = 0x0;
constexpr std::uint8_t reportSize = 0x7;
constexpr std::uint8_t reportID = 0x8;
constexpr std::uint8_t reportCount = 0x9;
constexpr std::uint8_t push = 0xA;
constexpr std::uint8_t pop = 0xB;
} // namespace GlobalTag

namespace LocalTag {
constexpr std::uint8_t usage = 0x0;
constexpr std::uint8_t usageMinimum = 0x1;
constexpr std::uint8_t usageMaximum = 0x2;
} // namespace LocalTag

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint32_t kConstantFlag = 0x1;
constexpr std::uint32_t kVariableFlag = 0x2;
constexpr std::uint32_t kRelativeFlag = 0x4;
constexpr std::uint32_t kApplicationCollection = 0x1;
constexpr std::uint32_t kGenericDesktopPage = 0x1;
constexpr std::uint32_t kFirstAxisUsage = 0x30; // X
constexpr std::uint32_t kLastAxisUsage = 0x38;  // Wheel
constexpr std::uint32_t kMaximumReportID = 0xFF;

struct Globals
{
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportID = 0;
    std::uint32_t reportCount = 0;
};

// A usage as written: four-byte usages carry their own page in the upper half.
struct LocalUsage
{
    std::uint32_t value = 0;
    bool extended = false;
};

struct ResolvedUsage
{
    std::uint32_t page = 0;
    std::uint32_t usage = 0;
};

class Parser
{
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    HidReportDescriptor run()
    {
        std::size_t position = 0;
        while (position < m_bytes.size() && !m_stopped) {
            const std::uint8_t prefix = m_bytes[position];
            const std::size_t remaining = m_bytes.size() - position - 1;
            if (prefix == kLongItemPrefix) {
                if (remaining < 2 || remaining - 2 < m_bytes[position + 1]) {
                    stop("the descriptor ends inside a long item");
                    break;
                }
                position += 3 + std::size_t{m_bytes[position + 1]};
                continue;
            }
            const std::size_t size = (prefix & 0x3U) == 3 ? 4 : (prefix & 0x3U);
            if (remaining < size) {
                stop("the descriptor ends inside an item");
                break;
            }
            std::uint32_t data = 0;
            for (std::size_t index = 0; index < size; ++index) {
                data |= static_cast<std::uint32_t>(m_bytes[position + 1 + index]) << (8U * index);
            }
            const auto type = static_cast<ItemType>((prefix >> 2U) & 0x3U);
            const std::uint8_t tag = prefix >> 4U;
            position += 1 + size;
            switch (type) {
            case ItemType::main:
                mainItem(tag, data);
                break;
            case ItemType::global:
                globalItem(tag, data);
                break;
            case ItemType::local:
                localItem(tag, data, size);
                break;
            default:
                break; // reserved item type: skipped
            }
        }
        if (m_depth > 0) {
            note("a collection is not closed");
        }
        finishLengths();
        return std::move(m_result);
    }

private:
    void stop(const char* problem)
    {
        m_stopped = true;
        note(problem);
    }

    // Called for every element past a limit: makes a text only for the first problem.
    void note(const char* problem)
    {
        if (!m_result.problem) {
            m_result.problem = problem;
        }
    }

    void mainItem(std::uint8_t tag, std::uint32_t data)
    {
        switch (tag) {
        case MainTag::input:
        case MainTag::output:
        case MainTag::feature:
            fieldItem(tag, data);
            break;
        case MainTag::collection:
            collectionItem(data);
            break;
        case MainTag::endCollection:
            if (m_depth == 0) {
                stop("a collection ends that was never opened");
                return;
            }
            --m_depth;
            break;
        default:
            break;
        }
        m_usages.clear();
        m_usageMinimum.reset();
        m_usageMaximum.reset();
    }

    void globalItem(std::uint8_t tag, std::uint32_t data)
    {
        switch (tag) {
        case GlobalTag::usagePage:
            m_globals.usagePage = data;
            break;
        case GlobalTag::reportSize:
            if (data > HidReportDescriptor::maximumReportSize) {
                stop("a report size is out of range");
                return;
            }
            m_globals.reportSize = data;
            break;
        case GlobalTag::reportID:
            if (data == 0 || data > kMaximumReportID) {
                stop("a report ID is out of range");
                return;
            }
            m_globals.reportID = data;
            m_result.usesReportIDs = true;
            break;
        case GlobalTag::reportCount:
            if (data > HidReportDescriptor::maximumReportCount) {
                stop("a report count is out of range");
                return;
            }
            m_globals.reportCount = data;
            break;
        case GlobalTag::push:
            if (m_globalStack.size() >= HidReportDescriptor::maximumGlobalStackDepth) {
                stop("the global item stack is nested too deep");
                return;
            }
            m_globalStack.push_back(m_globals);
            break;
        case GlobalTag::pop:
            if (m_globalStack.empty()) {
                stop("a global item pop has no matching push");
                return;
            }
            m_globals = m_globalStack.back();
            m_globalStack.pop_back();
            break;
        default:
            break; // logical and physical extents, units: not needed here
        }
    }

    void localItem(std::uint8_t tag, std::uint32_t data, std::size_t size)
    {
        const LocalUsage usage{data, size == 4};
        switch (tag) {
        case LocalTag::usage:
            addUsage(usage);
            break;
        case LocalTag::usageMinimum:
            m_usageMinimum = usage;
            addUsageRangeWhenComplete();
            break;
        case LocalTag::usageMaximum:
            m_usageMaximum = usage;
            addUsageRangeWhenComplete();
            break;
        default:
            break; // designators, strings and delimiters: not needed here
        }
    }

    void addUsage(LocalUsage usage)
    {
        if (m_usages.size() >= HidReportDescriptor::maximumUsagesPerItem) {
            note("an item declares more usages than are listed");
            return;
        }
        m_usages.push_back(usage);
    }

    void addUsageRangeWhenComplete()
    {
        if (!m_usageMinimum || !m_usageMaximum) {
            return;
        }
        const LocalUsage minimum = *m_usageMinimum;
        const LocalUsage maximum = *m_usageMaximum;
        m_usageMinimum.reset();
        m_usageMaximum.reset();
        const bool extended = minimum.extended || maximum.extended;
        std::uint32_t first = minimum.value;
        std::uint32_t last = maximum.value;
        if (extended) {
            // Both ends of an extended range share the page of its minimum.
            const std::uint32_t page = (minimum.extended ? minimum.value : maximum.value) & 0xFFFF0000U;
            first = page | (minimum.value & 0xFFFFU);
            last = page | (maximum.value & 0xFFFFU);
        }
        for (std::uint64_t value = first; value <= last; ++value) {
            if (m_usages.size() >= HidReportDescriptor::maximumUsagesPerItem) {
                note("an item declares more usages than are listed");
                return;
            }
            m_usages.push_back({static_cast<std::uint32_t>(value), extended});
        }
    }

    ResolvedUsage resolve(LocalUsage usage) const
    {
        if (usage.extended) {
            return {usage.value >> 16U, usage.value & 0xFFFFU};
        }
        return {m_globals.usagePage, usage.value};
    }

    void collectionItem(std::uint32_t kind)
    {
        if (m_depth >= HidReportDescriptor::maximumCollectionDepth) {
            stop("collections are nested too deep");
            return;
        }
        ++m_depth;
        const ResolvedUsage usage = m_usages.empty() ? ResolvedUsage{} : resolve(m_usages.front());
        if (kind == kApplicationCollection && !m_result.primaryUsagePage) {
            m_result.primaryUsagePage = usage.page;
            m_result.primaryUsage = usage.usage;
        }
        addElement({HidElementType::collection, usage.page, usage.usage, m_globals.reportID, 0, 0});
    }

    void fieldItem(std::uint8_t tag, std::uint32_t flags)
    {
        const std::uint32_t size = m_globals.reportSize;
        const std::uint32_t count = m_globals.reportCount;
        const bool variable = (flags & kVariableFlag) != 0;
        if (tag == MainTag::input) {
            m_inputBits[m_globals.reportID] += std::uint64_t{size} * count;
        }

        std::vector<ResolvedUsage> usages;
        usages.reserve(m_usages.size());
        for (const LocalUsage usage : m_usages) {
            usages.push_back(resolve(usage));
        }
        const std::uint32_t type = fieldType(tag, flags, usages);
        if (usages.empty()) {
            const std::uint32_t page = (flags & kConstantFlag) != 0 ? 0 : m_globals.usagePage;
            addElement({type, page, 0, m_globals.reportID, size, count});
            return;
        }
        if (!variable) {
            for (const ResolvedUsage& usage : usages) {
                addElement({type, usage.page, usage.usage, m_globals.reportID, size, 1});
            }
            return;
        }
        // One field per usage; when fields outnumber usages, the last usage takes the rest.
        const std::size_t listed = std::max<std::size_t>(1, std::min<std::size_t>(usages.size(), count));
        for (std::size_t index = 0; index < listed; ++index) {
            const bool last = index + 1 == listed;
            const std::uint32_t fields = last ? count - static_cast<std::uint32_t>(index) : 1;
            addElement({type, usages[index].page, usages[index].usage, m_globals.reportID, size, fields});
        }
    }

    std::uint32_t fieldType(std::uint8_t tag, std::uint32_t flags,
                            const std::vector<ResolvedUsage>& usages) const
    {
        if (tag == MainTag::output) {
            return HidElementType::output;
        }
        if (tag == MainTag::feature) {
            return HidElementType::feature;
        }
        if ((flags & kConstantFlag) != 0) {
            return HidElementType::inputMisc;
        }
        const bool variable = (flags & kVariableFlag) != 0;
        if (!variable || m_globals.reportSize == 1) {
            return HidElementType::inputButton;
        }
        const bool isAxisUsage =
            !usages.empty() && std::all_of(usages.begin(), usages.end(), [](const auto& u) {
                return u.page == kGenericDesktopPage && u.usage >= kFirstAxisUsage &&
                       u.usage <= kLastAxisUsage;
            });
        if ((flags & kRelativeFlag) != 0 || isAxisUsage) {
            return HidElementType::inputAxis;
        }
        return HidElementType::inputMisc;
    }

    void addElement(const HidElement& element)
    {
        if (m_result.elements.size() >= HidReportDescriptor::maximumElementCount) {
            note("the descriptor declares more elements than are listed");
            return;
        }
        m_result.elements.push_back(element);
    }

    void finishLengths()
    {
        const std::size_t idLength = m_result.usesReportIDs ? 1 : 0;
        for (const auto& [reportID, bits] : m_inputBits) {
            if (m_result.usesReportIDs && reportID == 0) {
                continue; // fields before the first report ID belong to no report that can be read
            }
            const std::uint64_t length = (bits + 7) / 8 + idLength;
            if (bits > 0 && length <= HidReportDescriptor::maximumReportLength) {
                m_result.inputReportLengths[reportID] = static_cast<std::size_t>(length);
            }
        }
    }

    std::span<const std::uint8_t> m_bytes;
    HidReportDescriptor m_result;
    Globals m_globals;
    std::vector<Globals> m_globalStack;
    std::vector<LocalUsage> m_usages;
    std::optional<LocalUsage> m_usageMinimum;
    std::optional<LocalUsage> m_usageMaximum;
    std::map<std::uint32_t, std::uint64_t> m_inputBits;
    std::size_t m_depth = 0;
    bool m_stopped = false;
};

} // namespace

HidReportDescriptor HidReportDescriptor::parse(std::span<const std::uint8_t> bytes)
{
    return Parser{bytes}.run();
}

std::optional<std::size_t> HidReportDescriptor::inputReportLength(std::span<const std::uint8_t> report) const
{
    std::uint32_t reportID = 0;
    if (usesReportIDs) {
        if (report.empty()) {
            return std::nullopt;
        }
        reportID = report.front();
    }
    const auto found = inputReportLengths.find(reportID);
    if (found == inputReportLengths.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::span<const std::uint8_t>>
HidReportDescriptor::splitInputReports(std::span<const std::uint8_t> bytes) const
{
    std::vector<std::span<const std::uint8_t>> reports;
    splitInputReports(bytes, reports);
    return reports;
}

void HidReportDescriptor::splitInputReports(std::span<const std::uint8_t> bytes,
                                            std::vector<std::span<const std::uint8_t>>& reports) const
{
    reports.clear();
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const auto rest = bytes.subspan(offset);
        const auto length = inputReportLength(rest);
        if (!length || *length == 0 || *length > rest.size()) {
            reports.assign(1, bytes);
            return;
        }
        reports.push_back(rest.first(*length));
        offset += *length;
    }
}

} // namespace hollerbox
