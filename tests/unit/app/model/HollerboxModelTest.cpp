#include "BackgroundMonitorLogger.h"
#include "ModelFixture.h"
#include "model/presentation/ProtectionSensitivityLevel.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUrl>
#include <cmath>
#include <gmock/gmock.h>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

struct StoreCase
{
    const char* name;
    QByteArray storedText;
    bool protectionEnabled;
    double armDelaySeconds;
    double movementThreshold;
    double alarmVolumeScalar;
    double triggerDelaySeconds;
    double alarmRepeatIntervalSeconds;
    bool showsOnboarding;
    /// What the store holds afterwards for the threshold and the trigger delay ("" when absent).
    QByteArray storedThresholdAfter;
    QByteArray storedTriggerDelayAfter;

    friend void PrintTo(const StoreCase& row, std::ostream* out) { *out << row.name; }
};

const double defaultVolume = static_cast<double>(0.65F);

const StoreCase storeCases[] = {
    {"Empty", "", true, 2, 0.05, defaultVolume, 0, 2, true, "", "0"},
    {"OldUnitlessThresholdAndFallbackDelay",
     "[General]\nHollerboxApp.movementThreshold=2\nHollerboxApp.triggerDelaySeconds=4\n"
     "HollerboxApp.protectionEnabled=false\nHollerboxApp.hasDismissedOnboarding=true\n",
     false, 2, 0.06, defaultVolume, 0, 2, false, "0.06", "0"},
    {"AlreadyMigrated",
     "[General]\nHollerboxApp.movementThreshold=2\nHollerboxApp.triggerDelaySeconds=4\n"
     "HollerboxApp.didMigrateMovementThresholdToG=true\nHollerboxApp.didMigrateFallbackDelayDefault=true\n",
     true, 2, 2.0, defaultVolume, 4, 2, true, "2", "4"},
    {"OutOfRangeThresholdKeptAndOtherDelayKept",
     "[General]\nHollerboxApp.movementThreshold=0.5\nHollerboxApp.triggerDelaySeconds=6\n"
     "HollerboxApp.armDelaySeconds=7.5\nHollerboxApp.alarmRepeatIntervalSeconds=3\n",
     true, 7.5, 0.5, defaultVolume, 6, 3, true, "0.5", "6"},
    {"TextsAndNonFiniteNumbersReadAsAbsent",
     "[General]\nHollerboxApp.armDelaySeconds=soon\nHollerboxApp.movementThreshold=nan\n"
     "HollerboxApp.alarmVolumeScalar=inf\nHollerboxApp.alarmRepeatIntervalSeconds=-inf\n"
     "HollerboxApp.protectionEnabled=maybe\nHollerboxApp.triggerDelaySeconds=later\n",
     true, 2, 0.05, defaultVolume, 0, 2, true, "nan", "0"},
    // Old unitless thresholds from 1 to 5 become g at 0.03 g per unit unless the flag says true.
    {"OldThresholdOfOneAndAKeptShortDelay",
     "[General]\nHollerboxApp.movementThreshold=1\nHollerboxApp.triggerDelaySeconds=0.5\n", true, 2, 0.03,
     defaultVolume, 0.5, 2, true, "0.03", "0.5"},
    {"OldThresholdOfFiveWithAFalseFlagAndAnUnreadableDelay",
     "[General]\nHollerboxApp.movementThreshold=5\nHollerboxApp.didMigrateMovementThresholdToG=false\n"
     "HollerboxApp.triggerDelaySeconds=x\n",
     true, 2, 0.15, defaultVolume, 0, 2, true, "0.15", "0"},
    {"OldThresholdWithAFlagThatIsNoBoolean",
     "[General]\nHollerboxApp.movementThreshold=2\nHollerboxApp.didMigrateMovementThresholdToG=maybe\n", true,
     2, 0.06, defaultVolume, 0, 2, true, "0.06", "0"},
    {"ThresholdAboveTheOldRangeKept", "[General]\nHollerboxApp.movementThreshold=5.5\n", true, 2, 5.5,
     defaultVolume, 0, 2, true, "5.5", "0"},
    {"CorruptFile", QByteArray("\x00\xff[[[\x01=\n\xfe", 9), true, 2, 0.05, defaultVolume, 0, 2, true, "",
     "0"},
};

class ModelStartUpTest : public ModelFixture, public ::testing::WithParamInterface<StoreCase>
{};

TEST_P(ModelStartUpTest, ReadsMigratesAndAppliesTheStore)
{
    const StoreCase& row = GetParam();
    if (!row.storedText.isEmpty()) {
        writeSettings(row.storedText);
    }
    build();

    EXPECT_EQ(model->protectionEnabled(), row.protectionEnabled);
    EXPECT_EQ(model->armDelaySeconds(), row.armDelaySeconds);
    EXPECT_DOUBLE_EQ(model->movementThreshold(), row.movementThreshold);
    EXPECT_EQ(model->alarmVolumeScalar(), row.alarmVolumeScalar);
    EXPECT_EQ(model->triggerDelaySeconds(), row.triggerDelaySeconds);
    EXPECT_EQ(model->alarmRepeatIntervalSeconds(), row.alarmRepeatIntervalSeconds);
    EXPECT_EQ(model->alarmSoundSelection(), AlarmSoundSelection::defaultSelection());
    EXPECT_EQ(model->showsOnboarding(), row.showsOnboarding);

    EXPECT_EQ(initialConfiguration.armDelaySeconds, row.armDelaySeconds);
    EXPECT_DOUBLE_EQ(initialConfiguration.movementTriggerThresholdG, row.movementThreshold);
    EXPECT_EQ(initialConfiguration.simulatedTriggerDelaySeconds, row.triggerDelaySeconds);
    EXPECT_EQ(initialConfiguration.alarmVolumeScalar, 0.65F);
    EXPECT_EQ(initialConfiguration.pollIntervalMilliseconds, 250U);
    EXPECT_EQ(model->controller().isProtectionEnabled(), row.protectionEnabled);

    const QByteArray stored = settingsText();
    EXPECT_TRUE(stored.contains("HollerboxApp.didMigrateMovementThresholdToG=true")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("HollerboxApp.didMigrateFallbackDelayDefault=true")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("HollerboxApp.triggerDelaySeconds=" + row.storedTriggerDelayAfter + "\n"))
        << stored.toStdString();
    if (!row.storedThresholdAfter.isEmpty()) {
        EXPECT_TRUE(stored.contains("HollerboxApp.movementThreshold=" + row.storedThresholdAfter + "\n"))
            << stored.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, ModelStartUpTest, ::testing::ValuesIn(storeCases),
                         [](const auto& info) { return std::string{info.param.name}; });

class HollerboxModelTest : public ModelFixture
{};

TEST_F(HollerboxModelTest, HandsTheWatchToTheMonitorWhileLockedAndTakesItBackOnUnlock)
{
    build();
    EXPECT_EQ(launcher->adoptions, 1);
    setLocked(true);
    ASSERT_FALSE(launcher->starts.empty());
    EXPECT_EQ(launcher->starts.front(),
              (FakeBackgroundMonitorLauncher::Start{2.0, 0.05, 0.6499999761581421, 2.0,
                                                    AlarmSoundSelection::defaultSelection()}));
    EXPECT_FALSE(model->controller().isAutomaticAlarmTriggeringEnabled());

    ticks(8);
    EXPECT_EQ(launcher->launches, 1);
    EXPECT_GT(launcher->starts.size(), 8U);

    setLocked(false);
    EXPECT_FALSE(launcher->running);
    EXPECT_EQ(launcher->stops.back(), "Screen unlocked.");
    EXPECT_TRUE(model->controller().isAutomaticAlarmTriggeringEnabled());

    const QStringList log = applicationLog();
    ASSERT_EQ(log.size(), 2) << log.join('\n').toStdString();
    const QRegularExpression line{
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ \[bg-launcher\] (.*)$)")};
    EXPECT_EQ(line.match(log[0]).captured(1), QStringLiteral("Background monitoring started."));
    EXPECT_EQ(line.match(log[1]).captured(1),
              QStringLiteral("Stopping background monitor: Screen unlocked."));
}

TEST_F(HollerboxModelTest, ReportsTheMonitorsAlarmOnceAtTheUnlockThatEndsItsWatch)
{
    build();
    setLocked(true);
    const WallTime setOffAt = std::chrono::floor<std::chrono::seconds>(fakes.clock.now()) + 1s;
    OpenLidAlarmSnapshot triggered;
    triggered.state = OpenLidAlarmState::triggered;
    triggered.lastUpdatedAt = setOffAt;
    const QString logPath = path(QStringLiteral("monitor.log"));
    QFile log{logPath};
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(QByteArray::fromStdString(BackgroundMonitorLogger::snapshotLine(triggered)) + '\n');
    log.close();
    QFile pointer{fakes.monitorLogPointerPath()};
    QDir{}.mkpath(QFileInfo{pointer}.path());
    ASSERT_TRUE(pointer.open(QIODevice::WriteOnly));
    pointer.write(logPath.toUtf8());
    pointer.close();
    queue.advanceBy(setOffAt + 80s - tick - fakes.clock.now());

    setLocked(false);
    ticks(4);
    ASSERT_EQ(fakes.notifications->shown.size(), 1U);
    EXPECT_EQ(fakes.notifications->shown[0].title, "Hollerbox alarm went off");
    EXPECT_THAT(fakes.notifications->shown[0].body,
                ::testing::EndsWith("sounded for 1 min 20 s and was set off once."));
    EXPECT_TRUE(applicationLog().last().endsWith(QStringLiteral("[alarm-report] Hollerbox alarm went off: ") +
                                                 QString::fromStdString(fakes.notifications->shown[0].body)));

    // A lock that no monitor watched leaves the newest log an old one: nothing is reported again.
    launcher->startSucceeds = false;
    setLocked(true);
    setLocked(false);
    EXPECT_EQ(fakes.notifications->shown.size(), 1U);
}

struct QuietTickCase
{
    const char* name;
    bool locked;
    /// Ticks after the lock (or the start) before counting; past the arm delay of 2 s protection is armed.
    int ticksBefore;
    /// Whether each counted tick changes the snapshot (the arming countdown does).
    bool everyTickChanges;

    friend void PrintTo(const QuietTickCase& row, std::ostream* out) { *out << row.name; }
};

const QuietTickCase quietTickCases[] = {
    {"UnlockedIdle", false, 16, false},
    {"LockedArmingCountsDown", true, 1, true},
    {"LockedArmedWithTheWatchHandedOver", true, 12, false},
};

class QuietTickTest : public ModelFixture, public ::testing::WithParamInterface<QuietTickCase>
{};

TEST_P(QuietTickTest, OnlyATickThatChangesTheSnapshotEmitsItsChangeSignals)
{
    const QuietTickCase& row = GetParam();
    build();
    ticks(16);
    setLocked(row.locked);
    ticks(row.ticksBefore);
    QSignalSpy snapshot{model, &HollerboxModel::snapshotChanged};
    QSignalSpy presentation{model, &HollerboxModel::presentationChanged};
    QSignalSpy stamped{model, &HollerboxModel::lastUpdatedAtChanged};
    const QDateTime before = model->lastUpdatedAt();
    const int counted = 4;
    ticks(counted);
    const int expected = row.everyTickChanges ? counted : 0;
    EXPECT_EQ(snapshot.count(), expected) << model->state().toStdString();
    EXPECT_EQ(presentation.count(), expected);
    EXPECT_EQ(stamped.count(), counted);
    EXPECT_EQ(before.msecsTo(model->lastUpdatedAt()), counted * tick.count());
}

INSTANTIATE_TEST_SUITE_P(Ticks, QuietTickTest, ::testing::ValuesIn(quietTickCases),
                         [](const auto& info) { return std::string{info.param.name}; });

struct HandOverCase
{
    const char* name;
    bool monitorStarts;
    /// Whether the controller, armed, keeps the sensor and judges movement itself.
    bool controllerWatches;

    friend void PrintTo(const HandOverCase& row, std::ostream* out) { *out << row.name; }
};

const HandOverCase handOverCases[] = {
    {"MonitorKeepsTheWatch", true, false},
    {"MonitorCannotStart", false, true},
};

class HandOverTest : public ModelFixture, public ::testing::WithParamInterface<HandOverCase>
{};

TEST_P(HandOverTest, TheControllerHoldsTheSensorOnlyWhileItKeepsTheWatch)
{
    const HandOverCase& row = GetParam();
    fakes.launcherStartSucceeds = row.monitorStarts;
    build();
    ticks(16);
    setLocked(true);
    ticks(12);
    ASSERT_EQ(model->state(), QStringLiteral("armed"));
    EXPECT_EQ(movement->armedThresholds.size(), 1U);
    EXPECT_EQ(model->controller().isMovementMonitoringAvailable(), row.controllerWatches);
    EXPECT_EQ(model->controller().isAutomaticAlarmTriggeringEnabled(), row.controllerWatches);
}

INSTANTIATE_TEST_SUITE_P(Monitors, HandOverTest, ::testing::ValuesIn(handOverCases),
                         [](const auto& info) { return std::string{info.param.name}; });

TEST_F(HollerboxModelTest, AMonitorThatEndsWhileArmedHandsTheWatchBackToAFreshlyArmedController)
{
    build();
    ticks(16);
    setLocked(true);
    ticks(12);
    ASSERT_FALSE(model->controller().isMovementMonitoringAvailable());

    launcher->running = false;
    launcher->startSucceeds = false;
    ticks(2);
    EXPECT_EQ(model->state(), QStringLiteral("pendingArm")) << "armed anew after the arm delay";
    EXPECT_TRUE(model->controller().isAutomaticAlarmTriggeringEnabled());
    ticks(10);
    EXPECT_EQ(model->state(), QStringLiteral("armed"));
    EXPECT_EQ(movement->armedThresholds.size(), 2U);
    EXPECT_TRUE(model->controller().isMovementMonitoringAvailable());
}

TEST_F(HollerboxModelTest, SwitchingProtectionOffStopsTheMonitorAndIsStored)
{
    build();
    setLocked(true);
    ASSERT_TRUE(launcher->running);

    QSignalSpy changed{model, &HollerboxModel::protectionEnabledChanged};
    const std::size_t stopsBefore = launcher->stops.size();
    model->setProtectionEnabled(false);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(launcher->running);
    ASSERT_GT(launcher->stops.size(), stopsBefore);
    EXPECT_EQ(launcher->stops[stopsBefore], "Protection disabled.");
    EXPECT_TRUE(applicationLog().last().endsWith(
        QStringLiteral("Stopping background monitor: Protection disabled.")));
    EXPECT_TRUE(settingsText().contains("HollerboxApp.protectionEnabled=false"));
    EXPECT_EQ(model->menuBarIconName(), QStringLiteral("MenuIconSleep"));

    ticks(2);
    EXPECT_EQ(launcher->launches, 1);
    EXPECT_EQ(launcher->stops.back(), "Protection is off.");
    EXPECT_TRUE(model->controller().isAutomaticAlarmTriggeringEnabled());

    model->setProtectionEnabled(false);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(HollerboxModelTest, AMonitorLeftRunningIsAdoptedAndStoppedByTheFirstUnlockedSnapshot)
{
    fakes.monitorLeftRunning = true;
    build();
    ticks(1);
    EXPECT_EQ(launcher->launches, 0);
    EXPECT_FALSE(launcher->running);
    ASSERT_FALSE(launcher->stops.empty());
    EXPECT_EQ(launcher->stops.front(), "Screen unlocked.");
}

TEST_F(HollerboxModelTest, EveryAssignmentWritesAllSixSettingsAndUpdatesTheController)
{
    build();
    struct Assignment
    {
        std::function<void()> assign;
        std::function<bool(const ProtectionConfiguration&)> applied;
    };
    const Assignment assignments[] = {
        {[&] { model->setArmDelaySeconds(2.0); }, [](const auto& c) { return c.armDelaySeconds == 2.0; }},
        {[&] { model->setArmDelaySeconds(5.5); }, [](const auto& c) { return c.armDelaySeconds == 5.5; }},
        {[&] { model->setMovementThreshold(0.03); },
         [](const auto& c) { return c.movementTriggerThresholdG == 0.03; }},
        {[&] { model->setSensitivityLevel(QStringLiteral("high")); },
         [](const auto& c) { return c.movementTriggerThresholdG == 0.02; }},
        {[&] { model->setAlarmVolumeScalar(0.8); },
         [](const auto& c) { return c.alarmVolumeScalar == 0.8F; }},
        {[&] { model->setTriggerDelaySeconds(1.5); },
         [](const auto& c) { return c.simulatedTriggerDelaySeconds == 1.5; }},
        {[&] { model->setAlarmRepeatIntervalSeconds(4); },
         [](const auto& c) { return c.alarmRepeatIntervalSeconds == 4.0; }},
        {[&] { model->selectBuiltInAlarmSound(QStringLiteral("policeAlarm")); },
         [](const auto& c) {
             return c.alarmSoundSelection == AlarmSoundSelection::builtIn(BuiltInAlarmSound::policeAlarm);
         }},
    };
    for (const auto& assignment : assignments) {
        QFile::remove(settingsPath());
        assignment.assign();
        EXPECT_TRUE(assignment.applied(model->controller().configuration()));
        const QByteArray stored = settingsText();
        for (const char* key :
             {"armDelaySeconds=", "movementThreshold=", "alarmVolumeScalar=", "triggerDelaySeconds=",
              "alarmRepeatIntervalSeconds=", "alarmSoundSelection="}) {
            EXPECT_TRUE(stored.contains(QByteArray{"HollerboxApp."} + key)) << key << "\n"
                                                                            << stored.toStdString();
        }
    }
    EXPECT_EQ(model->sensitivityLevel(), QStringLiteral("high"));
    EXPECT_EQ(model->alarmVolumePercentageText(), QStringLiteral("80%"));
    EXPECT_EQ(model->alarmSoundSelectionValue().value(QStringLiteral("builtIn")).toString(),
              QStringLiteral("policeAlarm"));
}

struct HardwareCheckCase
{
    const char* name;
    HardwareCheckStatus platformStatus;
    bool sensorPrepares;
    bool onboardingDone;
    std::optional<std::chrono::milliseconds> firstReadingAt;
    /// The poll that decides the check.
    std::chrono::milliseconds decidedAt;
    std::string motionTitle;
    HardwareCheckStatus motionStatus;
    bool testActive;

    friend void PrintTo(const HardwareCheckCase& row, std::ostream* out) { *out << row.name; }
};

const HardwareCheckCase hardwareCheckCases[] = {
    {"NoLaptop", HardwareCheckStatus::warning, true, false, 0ms, 0ms,
     "Motion sensor support is not confirmed on this Mac", HardwareCheckStatus::warning, false},
    {"SensorCannotBePrepared", HardwareCheckStatus::ready, false, false, std::nullopt, 0ms,
     "Motion sensor seems unavailable. Try again.", HardwareCheckStatus::warning, false},
    {"SensorAnswers", HardwareCheckStatus::ready, true, false, 1000ms, 1050ms, "Motion sensor is ready",
     HardwareCheckStatus::ready, true},
    {"SensorAnswersBeforeTheLastPoll", HardwareCheckStatus::ready, true, false, 2990ms, 3000ms,
     "Motion sensor is ready", HardwareCheckStatus::ready, true},
    {"SensorStaysSilent", HardwareCheckStatus::ready, true, false, std::nullopt, 3000ms,
     "Motion sensor seems unavailable. Try again.", HardwareCheckStatus::warning, false},
    {"ReturningUserGetsNoLiveTest", HardwareCheckStatus::ready, true, true, 1000ms, 1050ms,
     "Motion sensor is ready", HardwareCheckStatus::ready, false},
};

class HardwareCheckTest : public ModelFixture, public ::testing::WithParamInterface<HardwareCheckCase>
{};

TEST_P(HardwareCheckTest, EndsInTheExpectedItem)
{
    const HardwareCheckCase& row = GetParam();
    platformCheck.status = row.platformStatus;
    fakes.sensorPrepares = row.sensorPrepares;
    if (row.onboardingDone) {
        writeSettings("[General]\nHollerboxApp.hasDismissedOnboarding=true\n");
    }
    build();
    std::chrono::milliseconds now{0};
    const auto advanceTo = [&](std::chrono::milliseconds time) {
        queue.advanceBy(time - now);
        now = time;
    };
    const auto stillChecking = row.decidedAt - 10ms;
    if (row.firstReadingAt && *row.firstReadingAt <= stillChecking) {
        advanceTo(*row.firstReadingAt);
        movement->values = {MovementMonitorLiveValue{}};
    }
    if (stillChecking > now) {
        advanceTo(stillChecking);
        EXPECT_EQ(model->motionSensorHardwareCheck().status, HardwareCheckStatus::checking);
        EXPECT_EQ(model->motionSensorHardwareCheck().title, "Checking motion sensor\u2026");
    }
    if (row.firstReadingAt && *row.firstReadingAt > now) {
        advanceTo(*row.firstReadingAt);
        movement->values = {MovementMonitorLiveValue{}};
    }
    advanceTo(std::max(now, row.decidedAt));
    queue.runPending();
    EXPECT_EQ(model->motionSensorHardwareCheck().title, row.motionTitle);
    EXPECT_EQ(model->motionSensorHardwareCheck().status, row.motionStatus);
    EXPECT_EQ(model->welcomeHardwareAlarmTestActive(), row.testActive);
    EXPECT_EQ(model->controller().isMovementTestMode(), row.testActive);
    if (!row.testActive) {
        EXPECT_FALSE(model->controller().isMovementMonitoringAvailable())
            << "the sensor and the lease are given back";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, HardwareCheckTest, ::testing::ValuesIn(hardwareCheckCases),
                         [](const auto& info) { return std::string{info.param.name}; });

TEST_F(HollerboxModelTest, ARetryCancelsTheRunningCheckSilentlyAndAnIdleSnapshotEndsTheTest)
{
    build();
    queue.advanceBy(1000ms);
    std::vector<std::string> titles;
    QObject::connect(model, &HollerboxModel::hardwareChecksChanged,
                     [&] { titles.push_back(model->motionSensorHardwareCheck().title); });
    model->runHardwareChecks();
    queue.advanceBy(2500ms);
    EXPECT_EQ(model->motionSensorHardwareCheck().status, HardwareCheckStatus::checking)
        << "the retry's own deadline counts from the retry";
    movement->values = {MovementMonitorLiveValue{}};
    queue.advanceBy(100ms);
    EXPECT_EQ(titles, (std::vector<std::string>{"Motion sensor is ready"}));
    EXPECT_TRUE(model->welcomeHardwareAlarmTestActive());

    model->controller().resetToIdle();
    EXPECT_FALSE(model->welcomeHardwareAlarmTestActive());
}

TEST_F(HollerboxModelTest, ListsEveryBuiltInSoundAndSensitivityLevelInOrderWithKeysItAccepts)
{
    build();
    using Entry = std::array<std::string_view, 3>;
    std::vector<Entry> sounds;
    for (const auto sound : BuiltInAlarmSound::allCases()) {
        sounds.push_back({sound.id(), sound.title(), sound.description()});
    }
    std::vector<Entry> levels;
    for (const auto level : ProtectionSensitivityLevel::allCases()) {
        levels.push_back({level.rawValue(), level.title(), level.description()});
    }
    const auto check = [&](const char* property, const QStringList& keys, const std::vector<Entry>& entries,
                           const std::function<QString(const QString&)>& choose) {
        SCOPED_TRACE(property);
        const QVariantList listed = model->property(property).toList();
        ASSERT_EQ(listed.size(), static_cast<qsizetype>(entries.size()));
        // Backwards, so that every choice moves away from the default.
        for (auto index = listed.size() - 1; index >= 0; --index) {
            const QVariantMap entry = listed.at(index).toMap();
            EXPECT_EQ(entry.size(), 3);
            for (qsizetype key = 0; key < keys.size(); ++key) {
                EXPECT_EQ(entry.value(keys.at(key)).toString().toStdString(),
                          entries.at(static_cast<std::size_t>(index)).at(static_cast<std::size_t>(key)))
                    << keys.at(key).toStdString() << " of entry " << index;
            }
            EXPECT_EQ(choose(entry.value(keys.front()).toString()), entry.value(keys.front()).toString());
        }
    };
    check("builtInAlarmSounds",
          {QStringLiteral("id"), QStringLiteral("title"), QStringLiteral("description")}, sounds,
          [&](const QString& id) {
              model->selectBuiltInAlarmSound(id);
              return model->alarmSoundSelectionValue().value(QStringLiteral("builtIn")).toString();
          });
    check("sensitivityLevels",
          {QStringLiteral("rawValue"), QStringLiteral("title"), QStringLiteral("description")}, levels,
          [&](const QString& rawValue) {
              model->setSensitivityLevel(rawValue);
              return model->sensitivityLevel();
          });
}

TEST_F(HollerboxModelTest, ImportingSelectsTheSoundAndDeletingItFallsBackToTheDefault)
{
    build();
    const QString source = path(QStringLiteral("Siren.WAV"));
    {
        QFile file{source};
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1024, 'x'));
    }
    ASSERT_EQ(model->importAlarmSoundFile(QUrl::fromLocalFile(source).toString()), QString{});
    ASSERT_EQ(model->importedAlarmSounds().size(), 1);
    const ImportedAlarmSound imported = model->importedAlarmSounds().front();
    EXPECT_EQ(model->alarmSoundSelection(),
              AlarmSoundSelection::customFile(imported.path.toStdString(), "Custom Sound 1"));
    EXPECT_EQ(model->controller().configuration().alarmSoundSelection, model->alarmSoundSelection());
    EXPECT_EQ(model->importedAlarmSoundsSummary(), QStringLiteral("1/5 custom sounds imported"));
    EXPECT_TRUE(settingsText().contains("HollerboxApp.importedAlarmSounds="));

    QFile notes{path(QStringLiteral("notes.txt"))};
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    EXPECT_EQ(
        model->importAlarmSoundFile(notes.fileName()),
        QStringLiteral("That file format is not supported. Please choose an audio file such as WAV, AIFF, "
                       "M4A, MP3, or CAF."));

    model->deleteImportedAlarmSoundWithId(imported.id.toString(QUuid::WithoutBraces));
    EXPECT_TRUE(model->importedAlarmSounds().isEmpty());
    EXPECT_FALSE(QFile::exists(imported.path));
    EXPECT_EQ(model->alarmSoundSelection(), AlarmSoundSelection::defaultSelection());
}

TEST_F(HollerboxModelTest, TheTestAlarmForcesTheOutputUntilItIsToggledOffOrTheModelGoes)
{
    build();
    QSignalSpy playing{model, &HollerboxModel::isTestAlarmPlayingChanged};
    model->toggleTestAlarm();
    EXPECT_TRUE(model->isTestAlarmPlaying());
    EXPECT_EQ(hardware.devices[1].mute[0].value, 0U);
    EXPECT_FLOAT_EQ(hardware.devices[1].volume[0].value, 0.65F);
    EXPECT_FALSE(model->isPreviewPlaying());

    model->toggleTestAlarm();
    worker.runAll();
    queue.runPending();
    EXPECT_FALSE(model->isTestAlarmPlaying());
    EXPECT_EQ(hardware.devices[1].mute[0].value, 1U);
    EXPECT_FLOAT_EQ(hardware.devices[1].volume[0].value, 0.2F);
    EXPECT_EQ(playing.count(), 2);

    model->toggleTestAlarm();
    ASSERT_EQ(hardware.devices[1].mute[0].value, 0U);
    fakes.stop();
    EXPECT_EQ(hardware.devices[1].mute[0].value, 1U) << "quitting gives the output back";
    EXPECT_FLOAT_EQ(hardware.devices[1].volume[0].value, 0.2F);
}

} // namespace
} // namespace hollerbox::testing
