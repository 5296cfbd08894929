#include "UpdateConfigurationStatus.h"

#include <QFileInfo>

namespace hollerbox {

namespace {

std::optional<QString> nonBlankText(const QVariantMap& information, const QString& key)
{
    const QVariant value = information.value(key);
    if (value.typeId() != QMetaType::QString || value.toString().trimmed().isEmpty()) {
        return std::nullopt;
    }
    return value.toString();
}

QString withoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/')) {
        path.chop(1);
    }
    return path;
}

} // namespace

UpdateConfigurationStatus UpdateConfigurationStatus::check(const QString& bundlePath,
                                                           const QVariantMap& information)
{
    const auto feed = nonBlankText(information, QStringLiteral("SUFeedURL"));
    const QUrl feedUrl{feed.value_or(QString{}), QUrl::StrictMode};
    if (QFileInfo{withoutTrailingSlashes(bundlePath)}.suffix() != QStringLiteral("app") || !feed ||
        !feedUrl.isValid() || !nonBlankText(information, QStringLiteral("SUPublicEDKey"))) {
        return {AppUpdaterSupport::unavailable(
                    QStringLiteral("Automatic updates are unavailable in this version of Hollerbox.")),
                std::nullopt};
    }
    return {AppUpdaterSupport::available(), feedUrl};
}

} // namespace hollerbox
