#pragma once

#include "ImportedAlarmSound.h"

#include <QByteArray>
#include <QList>

namespace hollerbox {

/// The stored form of the imported sound list: a JSON array of objects with the keys "id" (36-character
/// UUID text), "path", "displayName" and "fileName".
namespace ImportedAlarmSoundCoding {

/// The compact JSON array of `sounds`.
QByteArray encode(const QList<ImportedAlarmSound>& sounds);

/// The list held in `data`; empty when `data` is not such an array or any entry lacks a key or a valid id.
QList<ImportedAlarmSound> decode(const QByteArray& data);

} // namespace ImportedAlarmSoundCoding
} // namespace hollerbox
