#include "EventLoopWait.h"
#include "LogindMock.h"
#include "QtTestApplication.h"
#include "SessionBusEnvironment.h"
#include "linux/assembly/ProtectionServicesLinux.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>

namespace hollerbox::testing {
namespace {

using namespace std::chrono_literals;

const QString kSession = QStringLiteral("c1");

/// Every state the controller published, and its diagnostics.
class StateRecorder final : public OpenLidAlarmControllerDelegate
{
public:
    void alarmControllerDidUpdate(OpenLidAlarmController&, const OpenLidAlarmSnapshot& snapshot) override
    {
        states.push_back(snapshot.state);
        diagnostics = snapshot.diagnosticLines;
    }
    std::vector<OpenLidAlarmState> states;
    std::vector<std::string> diagnostics;
};

struct RestartCase
{
    const char* name;
    bool sounding;
    OpenLidAlarmState state;
    std::vector<QString> inhibitors;
};

void PrintTo(const RestartCase& restartCase, std::ostream* stream)
{
    *stream << restartCase.name;
}

/// The application's controller on its real services while logind is restarted under it: the new logind
/// knows the session (still locked), as logind restores its sessions after a restart.
class LogindRestartTest : public ::testing::TestWithParam<RestartCase>
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(m_buses.start());
        ASSERT_TRUE(m_logind.start());
        m_logind.addCallerSession(kSession);
        qunsetenv("XDG_SESSION_ID");
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void TearDown() override
    {
        if (HasFailure()) {
            for (const auto& line : m_recorder->diagnostics) {
                if (line.find("CGSessionCopyCurrentDictionary") == std::string::npos) {
                    std::cerr << line << '\n';
                }
            }
        }
        if (m_controller) {
            m_controller->stop();
        }
    }

    void startController()
    {
        ProtectionServicesLinux::Options options;
        options.soundServer = "unix:/nonexistent/hollerbox/native";
        options.executablePath = HOLLERBOX_STAGE_DIR "/bin/hollerbox";
        m_services = std::make_unique<ProtectionServicesLinux>(ProtectionServicesLinux::Program::application,
                                                               m_queue, m_clock, options);
        ProtectionConfiguration configuration;
        configuration.pollIntervalMilliseconds = 20;
        configuration.armDelaySeconds = 0;
        m_controller = m_services->makeController(configuration);
        m_controller->setDelegate(m_recorder);
        m_controller->start();
    }

    /// The reasons of the inhibitors logind holds, sorted.
    std::vector<QString> inhibitors()
    {
        std::vector<QString> whys;
        for (const auto& inhibitor : m_logind.listInhibitors()) {
            whys.push_back(inhibitor.why);
        }
        std::sort(whys.begin(), whys.end());
        return whys;
    }

    bool stateBecomes(OpenLidAlarmState state)
    {
        return waitProcessingEvents([&] { return m_controller->state() == state; }, 5s);
    }

    SessionBusEnvironment m_buses;
    LogindMock m_logind{m_buses.systemBusAddress()};
    ClockSystem m_clock;
    MainQueueQt m_queue;
    std::unique_ptr<ProtectionServicesLinux> m_services;
    std::unique_ptr<OpenLidAlarmController> m_controller;
    std::shared_ptr<StateRecorder> m_recorder = std::make_shared<StateRecorder>();
};

TEST_P(LogindRestartTest, LockAndInhibitorsFollowTheNewLogindAndTheStateHolds)
{
    const auto& param = GetParam();
    startController();
    m_logind.setLockedHint(kSession, true);
    ASSERT_TRUE(stateBecomes(OpenLidAlarmState::armed));
    if (param.sounding) {
        m_controller->triggerAlarmNow();
    }
    ASSERT_EQ(m_controller->state(), param.state);
    ASSERT_EQ(inhibitors(), param.inhibitors);

    m_logind.stop();
    processEventsFor(200ms);
    ASSERT_TRUE(m_logind.start());
    m_logind.addBareSession(kSession, {{QStringLiteral("LockedHint"), true}});
    m_logind.announceSession(QStringLiteral("SessionNew"), kSession);
    EXPECT_TRUE(waitProcessingEvents([&] { return inhibitors() == param.inhibitors; }, 5s))
        << "the inhibitors were taken again from the new logind";
    processEventsFor(200ms);
    const auto& states = m_recorder->states;
    const auto armed = std::find(states.begin(), states.end(), OpenLidAlarmState::armed);
    EXPECT_EQ(std::find(armed, states.end(), OpenLidAlarmState::idle), states.end())
        << "the restart never unlocked the controller";
    EXPECT_EQ(m_controller->state(), param.state);

    m_logind.updateSessionProperties(kSession, {{QStringLiteral("LockedHint"), false}});
    EXPECT_TRUE(stateBecomes(OpenLidAlarmState::idle)) << "the new logind's unlock was followed";
    EXPECT_TRUE(waitProcessingEvents([&] { return inhibitors().empty(); }, 5s)) << "and released both";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LogindRestartTest,
    ::testing::Values(RestartCase{"armed", false, OpenLidAlarmState::armed, {QStringLiteral("HollerboxApp")}},
                      RestartCase{"sounding",
                                  true,
                                  OpenLidAlarmState::triggered,
                                  {QStringLiteral("HollerboxAlarm"), QStringLiteral("HollerboxApp")}}),
    [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace hollerbox::testing
