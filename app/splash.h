#pragma once

#include <QWidget>

class QLabel;

namespace vinary
{

// The splash window shown while the program starts: a picture with the program's name, its
// version and a loading line laid over it. The main window translates the three texts once the
// language table is loaded and then shows it; start-up hides it when the windows exist.
class TSplashForm : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashForm(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;      // "[SPLASH]"
    QLabel *Label4 = nullptr;      // "[VERSIONE] 04.02"
    QLabel *Label2 = nullptr;      // "[CARICAMENTO]"
    QLabel *build_label = nullptr; // never translated

    void showSplash();
    void hideSplash();
    bool wasShown() const { return m_shown; }

    static constexpr int kWidth = 313;
    static constexpr int kHeight = 271;

private:
    bool m_shown = false;
};

} // namespace vinary
