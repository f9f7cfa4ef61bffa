#pragma once

#include "app/splash.h"

#include <QDateTime>

namespace vinary::testing
{

// Start-up keeps the splash on screen for two seconds; a test installs this for as long as it
// lives, so that it does not wait.
class NoSplashWait : public SplashTiming
{
public:
    NoSplashWait() { m_previous = setSplashTiming(this); }
    ~NoSplashWait() override { setSplashTiming(m_previous); }
    NoSplashWait(const NoSplashWait &) = delete;
    NoSplashWait &operator=(const NoSplashWait &) = delete;
    QDateTime now() override { return QDateTime::currentDateTime(); }
    void sleep(int) override {}

private:
    SplashTiming *m_previous = nullptr;
};

} // namespace vinary::testing
