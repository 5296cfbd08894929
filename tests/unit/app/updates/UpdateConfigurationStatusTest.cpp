#include "model/updates/UpdateConfigurationStatus.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

TEST(UpdateConfigurationStatus, NeedsABundleAFeedAndAKey)
{
    const QString bundle = QStringLiteral("/Applications/Hollerbox.app");
    const QString feed = QStringLiteral("https://updates.example.org/appcast.xml");
    const QVariantMap configured{{"SUFeedURL", feed},
                                 {"SUPublicEDKey", "pfIShU4dEXqPd5ObYNfDBiQWcXozk7estwzTnF9BamQ="}};
    const auto with = [&](const QString& key, const QVariant& value) {
        auto information = configured;
        information.insert(key, value);
        return information;
    };
    const auto without = [&](const QString& key) {
        auto information = configured;
        information.remove(key);
        return information;
    };

    EXPECT_EQ(UpdateConfigurationStatus::check(bundle, configured),
              (UpdateConfigurationStatus{AppUpdaterSupport::available(), QUrl{feed}}));
    EXPECT_EQ(UpdateConfigurationStatus::check(bundle + u'/', configured).support,
              AppUpdaterSupport::available());

    struct Case
    {
        const char* name;
        QString bundlePath;
        QVariantMap information;
    };
    for (const auto& [name, bundlePath, information] :
         {Case{"the Linux application", QStringLiteral("/usr/bin"), QVariantMap{}},
          Case{"no bundle extension", QStringLiteral("/usr/bin"), configured},
          Case{"another extension", QStringLiteral("/Applications/Hollerbox.App"), configured},
          Case{"no feed", bundle, without("SUFeedURL")}, Case{"empty feed", bundle, with("SUFeedURL", "")},
          Case{"feed of spaces only", bundle, with("SUFeedURL", "   ")},
          Case{"feed of line breaks only", bundle, with("SUFeedURL", "\n\t\n")},
          Case{"feed that is no URL", bundle, with("SUFeedURL", "https://exa mple.org/<feed>")},
          Case{"feed that is no text", bundle, with("SUFeedURL", QUrl{feed})},
          Case{"no key", bundle, without("SUPublicEDKey")},
          Case{"key of spaces only", bundle, with("SUPublicEDKey", " \n ")},
          Case{"key that is no text", bundle, with("SUPublicEDKey", 42)}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(UpdateConfigurationStatus::check(bundlePath, information),
                  (UpdateConfigurationStatus{
                      AppUpdaterSupport::unavailable(
                          QStringLiteral("Automatic updates are unavailable in this version of Hollerbox.")),
                      std::nullopt}));
    }
}

} // namespace
} // namespace hollerbox
