#pragma once
// A repeating timer as the program's timed controls see it, so that their timelines can be
// stepped tick by tick: the program uses QtIntervalTimer, tests a SteppedTimer they advance
// themselves. [ui-thread]

#include <QObject>
#include <QTimer>

namespace klv::app {

class IntervalTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

// Fires every intervalMs milliseconds on the event loop while active.
class QtIntervalTimer final : public IntervalTimer {
    Q_OBJECT
public:
    explicit QtIntervalTimer(int intervalMs, QObject* parent = nullptr);

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

// Fires only when stepped: step(n) delivers up to n ticks, stopping early when a tick stops
// the timer, and returns how many it delivered.
class SteppedTimer final : public IntervalTimer {
    Q_OBJECT
public:
    using IntervalTimer::IntervalTimer;

    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    int step(int ticks = 1);

private:
    bool m_active = false;
};

} // namespace klv::app
