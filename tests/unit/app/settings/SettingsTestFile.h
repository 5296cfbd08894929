#pragma once

#include "model/settings/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace hollerbox::testing {

/// A settings file in a private temporary directory, with raw access to what is on disk.
class SettingsTestFile
{
public:
    QString path() const { return m_directory.filePath(QStringLiteral("Hollerbox.conf")); }

    void writeIni(const QByteArray& text) const
    {
        QFile file{path()};
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(text), text.size());
    }

    /// A store reading a fresh copy of the file as it is on disk now, so nothing comes from memory.
    std::unique_ptr<SettingsStore> reopened()
    {
        const QString copy = m_directory.filePath(QStringLiteral("copy-%1.conf").arg(++m_copies));
        QFile::copy(path(), copy);
        return std::make_unique<SettingsStore>(copy);
    }

private:
    QTemporaryDir m_directory;
    int m_copies = 0;
};

} // namespace hollerbox::testing
