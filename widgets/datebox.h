#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QFrame;
class QLineEdit;
class QToolButton;

namespace vinary {

// A date box with a calendar button. It may be empty, which stands for no date (a null QDate).
// It shows dates in the system's short date format, with the year written in full so that a typed
// date is never read in the wrong century; a two-digit year typed by the user is also understood.
class DateBox : public QWidget
{
    Q_OBJECT

public:
    explicit DateBox(QWidget *parent = nullptr);

    QDate date() const { return m_date; }
    // An invalid date empties the box.
    void setDate(const QDate &date);
    bool isEmpty() const { return !m_date.isValid(); }
    void clear() { setDate(QDate()); }

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // The format the box writes dates with.
    static QString displayFormat();
    // Reads a date typed in the short format (full or two-digit year); invalid when unreadable.
    static QDate parseDate(const QString &text);

    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *calendarButton() const { return m_button; }
    // The calendar of the popup; it exists once the popup was first asked for.
    QCalendarWidget *calendar() const { return m_calendar; }
    // The calendar button's hint, shown as its tooltip and given as its accessible name.
    void setCalendarHint(const QString &hint);

public Q_SLOTS:
    void showCalendar();

Q_SIGNALS:
    // Any change of the date, by the user or by the program.
    void dateChanged(const QDate &date);
    // A change made by the user, typed or picked in the calendar.
    void dateEdited(const QDate &date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onTextEdited(const QString &text);
    void onEditingFinished();
    void pick(const QDate &date);
    void showDate();
    void setDateBy(const QDate &date, bool byUser);

    QLineEdit *m_edit;
    QToolButton *m_button;
    QFrame *m_popup = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QDate m_date;
    bool m_readOnly = false;
};

} // namespace vinary
