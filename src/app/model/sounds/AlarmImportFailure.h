#pragma once

#include "AlarmImportError.h"

#include <QString>
#include <optional>

namespace hollerbox {

/// Why an import failed: one of the import rules, or an error of the file system with its own description.
class AlarmImportFailure
{
public:
    explicit AlarmImportFailure(AlarmImportError error) : m_importError(error) {}
    static AlarmImportFailure fileSystemError(QString description)
    {
        return AlarmImportFailure{std::nullopt, std::move(description)};
    }

    /// The rule that refused the file; absent for an error of the file system.
    std::optional<AlarmImportError> importError() const { return m_importError; }
    /// The sentence shown to the user.
    QString description() const { return m_importError ? m_importError->description() : m_description; }

    friend bool operator==(const AlarmImportFailure&, const AlarmImportFailure&) = default;

private:
    AlarmImportFailure(std::optional<AlarmImportError> error, QString description)
        : m_importError(error), m_description(std::move(description))
    {}

    std::optional<AlarmImportError> m_importError;
    QString m_description;
};

} // namespace hollerbox
