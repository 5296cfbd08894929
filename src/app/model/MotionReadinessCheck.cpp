#include "MotionReadinessCheck.h"

#include <algorithm>

namespace hollerbox {

MotionReadinessCheck::MotionReadinessCheck(OpenLidAlarmController& controller, MainQueue& mainQueue,
                                           Mode mode, std::chrono::milliseconds timeout,
                                           std::chrono::milliseconds pollInterval, Completion completion)
    : m_controller(controller), m_mainQueue(mainQueue), m_mode(mode), m_timeout(timeout),
      m_pollInterval(std::max(pollInterval, std::chrono::milliseconds{1})),
      m_completion(std::move(completion))
{
    std::weak_ptr<MotionReadinessCheck*> anchor = m_anchor;
    m_mainQueue.post([anchor] {
        if (const auto check = anchor.lock()) {
            (*check)->begin();
        }
    });
}

MotionReadinessCheck::~MotionReadinessCheck()
{
    cancel();
}

void MotionReadinessCheck::cancel()
{
    if (!m_running) {
        return;
    }
    m_running = false;
    retireNext();
    if (m_prepared) {
        m_controller.discardMovementTestPreparation();
    }
}

void MotionReadinessCheck::begin()
{
    if (!m_running) {
        return;
    }
    m_prepared = true;
    if (!m_controller.prepareMovementTestResources()) {
        m_controller.discardMovementTestPreparation();
        finish(Outcome::unavailable);
        return;
    }
    poll();
}

void MotionReadinessCheck::poll()
{
    if (!m_running) {
        return;
    }
    if (m_controller.isMovementTestPreparationReady()) {
        if (m_mode == Mode::confirmOnly) {
            m_controller.discardMovementTestPreparation();
            finish(Outcome::sensorReady);
        } else if (m_controller.startMovementTest()) {
            finish(Outcome::sensorReady);
        } else {
            m_controller.discardMovementTestPreparation();
            finish(Outcome::unavailable);
        }
        return;
    }
    if (m_elapsed >= m_timeout) {
        m_controller.discardMovementTestPreparation();
        finish(Outcome::unavailable);
        return;
    }
    m_elapsed += m_pollInterval;
    retireNext();
    m_next = m_mainQueue.scheduleAfter(m_pollInterval, [this] { poll(); });
}

void MotionReadinessCheck::finish(Outcome outcome)
{
    m_running = false;
    retireNext();
    if (m_completion) {
        // The completion may destroy this run; nothing is touched after it.
        auto completion = std::move(m_completion);
        completion(outcome);
    }
}

void MotionReadinessCheck::retireNext()
{
    // The timer may be the one firing now: it is released once its firing has returned.
    if (m_next) {
        m_next->cancel();
        m_mainQueue.post([retired = std::shared_ptr<ScheduledTask>(std::move(m_next))] {});
    }
}

} // namespace hollerbox
