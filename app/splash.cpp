#include "app/splash.h"

#include "app/pictures.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

SplashTiming *g_installed = nullptr;

// The texts lie in 297-pixel bands centred on the window; their tops are the window's coordinates.
constexpr int kBandLeft = 8;
constexpr int kBandWidth = 297;

QLabel *overlayLabel(QWidget *parent, const char *name, const QString &text, int pixelSize, const QRect &band,
                     Qt::Alignment alignment, const QString &colour, bool serif)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    if (serif) {
        font.setFamilies({u"DejaVu Serif"_s, u"Liberation Serif"_s, u"serif"_s});
        font.setStyleHint(QFont::Serif);
    }
    font.setBold(true);
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setStyleSheet(u"color: %1; background: transparent;"_s.arg(colour));
    label->setGeometry(band);
    // A soft shadow keeps the light letters clear of the picture behind them.
    auto *shadow = new QGraphicsDropShadowEffect(label);
    shadow->setBlurRadius(pixelSize > 12 ? 6 : 3);
    shadow->setOffset(1, 1);
    shadow->setColor(QColor(0, 0, 0, 200));
    label->setGraphicsEffect(shadow);
    return label;
}

} // namespace

QDateTime SystemSplashTiming::now()
{
    return QDateTime::currentDateTime();
}

void SystemSplashTiming::sleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

SplashTiming &splashTiming()
{
    static SystemSplashTiming system;
    return g_installed ? *g_installed : system;
}

SplashTiming *setSplashTiming(SplashTiming *timing)
{
    return std::exchange(g_installed, timing);
}

TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    // The scaling to the screen's density is Qt's own: the sizes here are device-independent.
    setObjectName(u"SplashForm"_s);
    setFixedSize(kWidth, kHeight);

    auto *panel = new QFrame(this);
    panel->setObjectName(u"Panel1"_s);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(rect());

    auto *picture = new QLabel(panel);
    picture->setObjectName(u"Image1"_s);
    picture->setGeometry(4, 4, 305, 263);
    picture->setPixmap(pictures::splashPicture(devicePixelRatioF()));

    Label1 = overlayLabel(panel, "Label1", u"[SPLASH]"_s, 20, QRect(kBandLeft, 104, kBandWidth, 24),
                          Qt::AlignCenter, u"#f7ecd2"_s, true);
    Label4 = overlayLabel(panel, "Label4", u"[VERSIONE] 04.02"_s, 20, QRect(kBandLeft, 132, kBandWidth, 24),
                          Qt::AlignCenter, u"#f0cf74"_s, true);
    Label2 = overlayLabel(panel, "Label2", u"[CARICAMENTO]"_s, 13, QRect(kBandLeft, 165, kBandWidth, 17),
                          Qt::AlignCenter, u"#f2e4c4"_s, false);
    build_label = overlayLabel(panel, "build_label", u"build 12.11.2010"_s, 11,
                               QRect(kBandLeft, 252, kBandWidth - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                               u"#d8bf9a"_s, false);
}

void TSplashForm::fitTexts()
{
    // A long translation gets a smaller type rather than being cut at the band's ends.
    for (QLabel *label : {Label1, Label4, Label2, build_label}) {
        QFont font = label->font();
        while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
            font.setPixelSize(font.pixelSize() - 1);
            label->setFont(font);
        }
    }
}

void TSplashForm::showSplash()
{
    fitTexts();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
}

void TSplashForm::hideSplash()
{
    // The wait comes first: the splash stays on screen until it has had its time.
    FormHide();
    hide();
}

void TSplashForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TSplashForm::FormShow()
{
    m_shown = true;
    m_shownAt = splashTiming().now();
}

void TSplashForm::FormHide()
{
    if (!m_shownAt.isValid())
        return;
    const qint64 visibleMs = m_shownAt.msecsTo(splashTiming().now());
    m_shownAt = QDateTime();
    // Never more than the minimum: a clock set back during start-up must not hold the program.
    const qint64 restMs = std::clamp<qint64>(kMinimumShownMs - visibleMs, 0, kMinimumShownMs);
    if (restMs > 0)
        splashTiming().sleep(static_cast<int>(restMs));
}

} // namespace vinary
