#pragma once

#include <QString>
#include <QUuid>

namespace hollerbox {

/// One sound file the user imported: the application's own copy and the name it is shown under.
struct ImportedAlarmSound
{
    QUuid id;
    /// Absolute path of the application's copy.
    QString path;
    /// "Custom Sound " and the entry's position, counted from 1.
    QString displayName;
    /// Name, with extension, of the file the user chose.
    QString fileName;

    friend bool operator==(const ImportedAlarmSound&, const ImportedAlarmSound&) = default;
};

} // namespace hollerbox
