#include "AlarmImportError.h"

namespace hollerbox {

QString AlarmImportError::description() const
{
    switch (m_kind) {
    case Kind::fileTooLarge:
        return QStringLiteral("That audio file is too large. Please choose a file smaller than %1 MB.")
            .arg(m_amount);
    case Kind::maximumImportedSoundsReached:
        return QStringLiteral(
                   "You can keep up to %1 custom alarm sounds. Delete one before importing another.")
            .arg(m_amount);
    case Kind::unsupportedFormat:
        return QStringLiteral("That file format is not supported. Please choose an audio file such as WAV, "
                              "AIFF, M4A, MP3, or CAF.");
    case Kind::copyFailed:
        break;
    }
    return QStringLiteral("The audio file could not be imported into Hollerbox.");
}

} // namespace hollerbox
