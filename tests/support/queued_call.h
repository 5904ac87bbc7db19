// Catching the moment a call queued to the UI thread arrives there, before it runs.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <functional>
#include <utility>

namespace kiv::test {

// Runs `action` once, on the UI thread, when the next call queued to the application object
// (a hand-off from a worker thread, say) arrives there, before that call runs: the moment to
// test what happens to a call that is already on its way. Needs the toolkit's application.
class BeforeQueuedCall : public QObject {
public:
    explicit BeforeQueuedCall(std::function<void()> action) : m_action(std::move(action)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

    // Whether the action has run.
    bool Done() const { return !m_action; }

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (m_action && target == QCoreApplication::instance() &&
            event->type() == QEvent::MetaCall) {
            std::exchange(m_action, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

}  // namespace kiv::test
