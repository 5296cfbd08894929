#pragma once

#include <QString>

namespace hollerbox {

/// Why the import rules refused a sound file, with the sentence shown to the user.
class AlarmImportError
{
public:
    enum class Kind
    {
        fileTooLarge,
        maximumImportedSoundsReached,
        unsupportedFormat,
        copyFailed,
    };

    static AlarmImportError fileTooLarge(int megabytes)
    {
        return AlarmImportError{Kind::fileTooLarge, megabytes};
    }
    static AlarmImportError maximumImportedSoundsReached(int count)
    {
        return AlarmImportError{Kind::maximumImportedSoundsReached, count};
    }
    static AlarmImportError unsupportedFormat() { return AlarmImportError{Kind::unsupportedFormat, 0}; }
    static AlarmImportError copyFailed() { return AlarmImportError{Kind::copyFailed, 0}; }

    Kind kind() const { return m_kind; }
    /// The size limit in megabytes, or the largest number of sounds; 0 for the other kinds.
    int amount() const { return m_amount; }
    QString description() const;

    friend bool operator==(const AlarmImportError&, const AlarmImportError&) = default;

private:
    AlarmImportError(Kind kind, int amount) : m_kind(kind), m_amount(amount) {}

    Kind m_kind = Kind::copyFailed;
    int m_amount = 0;
};

} // namespace hollerbox
