#include "app/mymsg.h"

#include "widgets/applicationtitle.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vinary {

namespace {

constexpr int kIconSize = 32;
constexpr int kIconGap = 8;
constexpr int kMargin = 5;
constexpr int kTextGap = 10; // above and below a text of several lines
constexpr int kButtonHeight = 25;
constexpr int kStripBottom = 8;

QScreen *screenFor(const QWidget *widget)
{
    if (widget && widget->screen())
        return widget->screen();
    return QGuiApplication::primaryScreen();
}

} // namespace

MymsgDialog::MymsgDialog(Kind kind, const QString &text, QWidget *parent) : QDialog(parent)
{
    setObjectName(u"Mymsg"_s);
    setWindowTitle(applicationTitle());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    const QStyle::StandardPixmap pixmap =
        kind == Kind::Notice ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxQuestion;
    m_icon = new QLabel(this);
    m_icon->setObjectName(u"lblIcon"_s);
    m_icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(kIconSize, kIconSize));
    m_icon->setFixedSize(kIconSize, kIconSize);

    m_text = new QLabel(text, this);
    m_text->setObjectName(u"lblText"_s);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);

    m_btnSi = new QPushButton(u"&Sì"_s, this);
    m_btnSi->setObjectName(u"btnSi"_s);
    m_btnSi->setDefault(true);
    connect(m_btnSi, &QPushButton::clicked, this, [this] {
        m_yes = true;
        accept();
    });
    int buttons = 1;
    if (kind == Kind::Question) {
        m_btnNo = new QPushButton(u"&No"_s, this);
        m_btnNo->setObjectName(u"btnNo"_s);
        m_btnNo->setAutoDefault(false);
        connect(m_btnNo, &QPushButton::clicked, this, &QDialog::reject);
        buttons = 2;
    }
    setAccessibleName(text);
    layOut(buttons);
    m_btnSi->setFocus(Qt::OtherFocusReason);
}

void MymsgDialog::layOut(int buttons)
{
    const QScreen *screen = screenFor(parentWidget());
    const int screenWidth = screen ? screen->availableGeometry().width() : 800;

    // The box grows with its text, up to three quarters of the screen; longer texts wrap.
    const int textRoom = std::max(100, screenWidth * 3 / 4 - kIconSize - kIconGap - 2 * kMargin);
    const QFontMetrics metrics(m_text->font());
    const QRect textRect = metrics.boundingRect(QRect(0, 0, textRoom, 10000),
                                                Qt::AlignCenter | Qt::TextWordWrap, m_text->text());
    const int textWidth = textRect.width() + 2;
    const int textHeight = textRect.height();

    const int contentWidth = kIconSize + kIconGap + textWidth;
    const int width = std::max(contentWidth + 2 * kMargin, kMinWidthPerButton * buttons + 2 * kMargin);

    const int stripTop = kBoxHeight - kStripBottom - kButtonHeight;
    const int messageHeight = std::max(kIconSize, textHeight);
    const int height = std::max(kBoxHeight, messageHeight + 2 * kTextGap + kBoxHeight - stripTop);
    const int messageArea = height - (kBoxHeight - stripTop);

    const int contentLeft = (width - contentWidth) / 2;
    m_icon->move(contentLeft, (messageArea - kIconSize) / 2);
    m_text->setGeometry(contentLeft + kIconSize + kIconGap, (messageArea - messageHeight) / 2, textWidth,
                        messageHeight);

    const int groupWidth = buttons * kButtonWidth + (buttons - 1) * kButtonGap;
    const int left = (width - groupWidth) / 2;
    const int top = height - kStripBottom - kButtonHeight;
    m_btnSi->setGeometry(left, top, kButtonWidth, kButtonHeight);
    if (m_btnNo)
        m_btnNo->setGeometry(left + kButtonWidth + kButtonGap, top, kButtonWidth, kButtonHeight);

    setFixedSize(width, height);
    centreOnScreen();
}

void MymsgDialog::centreOnScreen()
{
    const QScreen *screen = screenFor(parentWidget());
    if (!screen)
        return;
    // The frame is known only once the window exists, so this runs again when the box is shown.
    const QRect area = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

void MymsgDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen();
}

void MymsgDialog::keyPressEvent(QKeyEvent *event)
{
    // No button answers Escape: the box waits for "&Sì", "&No" or its close control.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

Mymsg::Mymsg(QWidget *owner) : m_owner(owner) {}

void Mymsg::notice(const QString &text)
{
    run(MymsgDialog::Kind::Notice, text);
}

bool Mymsg::question(const QString &text)
{
    return run(MymsgDialog::Kind::Question, text);
}

bool Mymsg::run(MymsgDialog::Kind kind, const QString &text)
{
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = m_owner;
    MymsgDialog box(kind, text, parent);
    box.exec();
    return box.answeredYes();
}

} // namespace vinary
