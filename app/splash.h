#pragma once

#include <QDateTime>
#include <QWidget>

class QLabel;

namespace vinary
{

// The clock and the sleep behind the splash's minimum time on screen. The start-up thread really
// sleeps: nothing else runs until the windows exist. Tests install a fake.
class SplashTiming
{
public:
    virtual ~SplashTiming() = default;
    virtual QDateTime now() = 0;
    virtual void sleep(int milliseconds) = 0;
};

class SystemSplashTiming : public SplashTiming
{
public:
    QDateTime now() override;
    void sleep(int milliseconds) override;
};

// The timing in force: the system's unless another has been installed.
SplashTiming &splashTiming();
// Installs a timing (nullptr restores the system's) and returns the one installed before, or
// nullptr when that was the system's. The caller keeps ownership.
SplashTiming *setSplashTiming(SplashTiming *timing);

// The splash window shown while the program starts: a picture with the program's name, its
// version and a loading line laid over it. The main window translates the three texts once the
// language table is loaded and then shows it; start-up hides it when the windows exist, after it
// has been on screen for at least kMinimumShownMs.
class TSplashForm : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashForm(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;      // "[SPLASH]"
    QLabel *Label4 = nullptr;      // "[VERSIONE] 04.02"
    QLabel *Label2 = nullptr;      // "[CARICAMENTO]"
    QLabel *build_label = nullptr; // never translated

    // Centred on the screen, on top of the others.
    void showSplash();
    // Waits the rest of the minimum time on screen, then hides the splash.
    void hideSplash();
    bool wasShown() const { return m_shown; }
    // When the splash was last shown; invalid when it has not been shown since it was last hidden.
    QDateTime shownAt() const { return m_shownAt; }

    void FormShow();
    void FormHide();

    static constexpr int kWidth = 313;
    static constexpr int kHeight = 271;
    static constexpr int kMinimumShownMs = 2000;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fitTexts();

    bool m_shown = false;
    QDateTime m_shownAt;
};

} // namespace vinary
