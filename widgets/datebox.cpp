#include "widgets/datebox.h"

#include "engine/common/datetimes.h"
#include "widgets/widgeticons.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary {

namespace {

// The format with a two-digit year only.
QString shortFormat()
{
    return QLocale().dateFormat(QLocale::ShortFormat);
}

} // namespace

QString DateBox::displayFormat()
{
    return shortDateFormat();
}

QDate DateBox::parseDate(const QString &raw)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return QDate();
    // Three groups of digits in the order of the format's day, month and year, whatever the
    // separators and however many digits: "1/2/24" as well as "01/02/2024".
    const QString format = displayFormat();
    const qsizetype dayAt = format.indexOf(u'd');
    const qsizetype monthAt = format.indexOf(u'M');
    const qsizetype yearAt = format.indexOf(u'y');
    QStringList groups;
    for (const auto &match : QRegularExpression(u"\\d+"_s).globalMatch(text))
        groups << match.captured();
    const QString rest = QString(text).remove(QRegularExpression(u"[\\d\\s./,\\-]"_s));
    if (groups.size() == 3 && rest.isEmpty() && dayAt >= 0 && monthAt >= 0 && yearAt >= 0 &&
        !format.contains(u"MMM"_s)) {
        auto rank = [&](qsizetype at) { return int(at > dayAt) + int(at > monthAt) + int(at > yearAt); };
        const int day = groups.at(rank(dayAt)).toInt();
        const int month = groups.at(rank(monthAt)).toInt();
        const QString yearText = groups.at(rank(yearAt));
        int year = yearText.toInt();
        if (yearText.size() <= 2) {
            // Two digits name a year within 50 years of today.
            const int today = QDate::currentDate().year();
            year += today - today % 100;
            if (year > today + 50)
                year -= 100;
        } else if (yearText.size() != 4) {
            return QDate();
        }
        return QDate(year, month, day);
    }
    const QLocale locale;
    const QDate d = locale.toDate(text, format);
    return d.isValid() ? d : locale.toDate(text, shortFormat());
}

DateBox::DateBox(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);
    m_edit->setObjectName(u"dateText"_s);
    m_button->setObjectName(u"calendarButton"_s);
    m_button->setIcon(widgetIcon(WidgetIcon::Calendar));
    m_button->setFocusPolicy(Qt::NoFocus);
    setCalendarHint(u"Calendar"_s);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Room for a full date and the button.
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(u"00/00/00000"_s) + 8);
    connect(m_edit, &QLineEdit::textEdited, this, &DateBox::onTextEdited);
    connect(m_edit, &QLineEdit::editingFinished, this, &DateBox::onEditingFinished);
    connect(m_button, &QToolButton::clicked, this, &DateBox::showCalendar);
    m_edit->installEventFilter(this);
}

void DateBox::setCalendarHint(const QString &hint)
{
    m_button->setToolTip(hint);
    m_button->setAccessibleName(hint);
}

void DateBox::setDate(const QDate &date)
{
    const QDate d = date.isValid() ? date : QDate();
    // The same date set again leaves a text being typed alone.
    if (d == m_date && m_edit->hasFocus())
        return;
    setDateBy(d, false);
    showDate();
}

void DateBox::setDateBy(const QDate &date, bool byUser)
{
    if (date == m_date)
        return;
    m_date = date;
    Q_EMIT dateChanged(m_date);
    if (byUser)
        Q_EMIT dateEdited(m_date);
}

void DateBox::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_edit->setReadOnly(readOnly);
    m_button->setEnabled(!readOnly);
}

void DateBox::showDate()
{
    const QString text = m_date.isValid() ? QLocale().toString(m_date, displayFormat()) : QString();
    if (text != m_edit->text())
        m_edit->setText(text);
}

void DateBox::onTextEdited(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        setDateBy(QDate(), true);
        return;
    }
    // While typing, only a date written out in full counts; a shorter one waits for the end.
    const QDate d = parseDate(text);
    if (d.isValid() && QLocale().toString(d, displayFormat()) == text.trimmed())
        setDateBy(d, true);
}

void DateBox::onEditingFinished()
{
    const QString text = m_edit->text();
    if (text.trimmed().isEmpty()) {
        setDateBy(QDate(), true);
    } else {
        const QDate d = parseDate(text);
        if (d.isValid())
            setDateBy(d, true);
    }
    // An unreadable text goes back to the date the box holds.
    showDate();
}

bool DateBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress && !m_readOnly) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier)) {
            showCalendar();
            return true;
        }
    }
    if (watched == m_edit && event->type() == QEvent::FocusOut)
        onEditingFinished();
    return QWidget::eventFilter(watched, event);
}

void DateBox::showCalendar()
{
    if (m_readOnly)
        return;
    if (!m_popup) {
        m_popup = new QFrame(this, Qt::Popup);
        m_popup->setFrameShape(QFrame::StyledPanel);
        auto *layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(1, 1, 1, 1);
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setObjectName(u"calendar"_s);
        m_calendar->setGridVisible(true);
        m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        layout->addWidget(m_calendar);
        connect(m_calendar, &QCalendarWidget::clicked, this, &DateBox::pick);
        connect(m_calendar, &QCalendarWidget::activated, this, &DateBox::pick);
    }
    m_calendar->setSelectedDate(m_date.isValid() ? m_date : QDate::currentDate());
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void DateBox::pick(const QDate &date)
{
    if (m_popup)
        m_popup->hide();
    setDateBy(date, true);
    showDate();
    m_edit->setFocus(Qt::OtherFocusReason);
}

} // namespace vinary
