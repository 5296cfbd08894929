#pragma once

#include "AlarmImportFailure.h"
#include "ImportedAlarmSound.h"

#include <QList>
#include <optional>

namespace hollerbox {

/// The outcome of one import: the new list and its new entry, or the failure and the list unchanged.
struct AlarmSoundImportResult
{
    /// The list after the import; the given one when the import failed.
    QList<ImportedAlarmSound> sounds;
    /// The new entry, already numbered; empty when the import failed.
    ImportedAlarmSound importedSound;
    std::optional<AlarmImportFailure> failure;

    bool succeeded() const { return !failure.has_value(); }
};

} // namespace hollerbox
