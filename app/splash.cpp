#include "app/splash.h"

#include "app/pictures.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

QLabel *overlayLabel(QWidget *parent, const char *name, const QString &text, int pixelSize, const QRect &band,
                     Qt::Alignment alignment, const QString &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setStyleSheet(u"color: %1; background: transparent;"_s.arg(colour));
    label->setGeometry(band);
    return label;
}

} // namespace

TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
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

    // The bands are those of the picture, so the texts sit in its empty middle.
    Label1 = overlayLabel(picture, "Label1", u"[SPLASH]"_s, 20, QRect(4, 100, 297, 28), Qt::AlignCenter,
                          u"#f5e9cc"_s);
    Label4 = overlayLabel(picture, "Label4", u"[VERSIONE] 04.02"_s, 20, QRect(4, 128, 297, 28),
                          Qt::AlignCenter, u"#f0cf74"_s);
    Label2 = overlayLabel(picture, "Label2", u"[CARICAMENTO]"_s, 13, QRect(4, 161, 297, 20), Qt::AlignCenter,
                          u"#f5e9cc"_s);
    build_label = overlayLabel(picture, "build_label", u"build 12.11.2010"_s, 11, QRect(150, 246, 148, 15),
                               Qt::AlignRight | Qt::AlignVCenter, u"#d8b9a0"_s);
}

void TSplashForm::showSplash()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    m_shown = true;
}

void TSplashForm::hideSplash()
{
    hide();
}

} // namespace vinary
