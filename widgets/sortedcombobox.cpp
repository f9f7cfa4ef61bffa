#include "widgets/sortedcombobox.h"

#include <QCollator>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace vinary {

namespace {

const QCollator &noCaseCollator()
{
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

bool SortedComboBox::lessNoCase(const QString &a, const QString &b)
{
    const int c = noCaseCollator().compare(a, b);
    if (c != 0)
        return c < 0;
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

SortedComboBox::SortedComboBox(QWidget *parent) : QComboBox(parent), m_model(new QStringListModel(this))
{
    setEditable(true);
    setModel(m_model);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    setMaxVisibleItems(12);
    // Suggestions in a list under the box, never typed into it: the user's text stays as typed.
    auto *completer = new QCompleter(m_model, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    setCompleter(completer);
}

void SortedComboBox::keepingText(const std::function<void()> &change)
{
    const QString shown = currentText();
    const bool wasChanging = std::exchange(m_changingItems, true);
    const bool blocked = lineEdit()->blockSignals(true);
    change();
    setCurrentIndex(findText(shown, Qt::MatchFixedString | Qt::MatchCaseSensitive));
    lineEdit()->setText(shown);
    lineEdit()->blockSignals(blocked);
    m_changingItems = wasChanging;
}

void SortedComboBox::addSorted(const QString &item)
{
    keepingText([&] {
        const QStringList &list = m_model->stringList();
        const auto at = std::upper_bound(list.cbegin(), list.cend(), item, &SortedComboBox::lessNoCase);
        const int row = int(at - list.cbegin());
        m_model->insertRows(row, 1);
        m_model->setData(m_model->index(row), item);
    });
}

void SortedComboBox::setItems(const QStringList &items)
{
    QStringList sorted = items;
    std::stable_sort(sorted.begin(), sorted.end(), &SortedComboBox::lessNoCase);
    keepingText([&] { m_model->setStringList(sorted); });
}

void SortedComboBox::clearItems()
{
    keepingText([&] { m_model->setStringList({}); });
}

QStringList SortedComboBox::items() const
{
    return m_model->stringList();
}

int SortedComboBox::findNoCase(const QString &item) const
{
    const QStringList &list = m_model->stringList();
    for (int i = 0; i < list.size(); ++i) {
        if (QString::compare(list.at(i), item, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void SortedComboBox::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    lineEdit()->setReadOnly(readOnly);
}

void SortedComboBox::showPopup()
{
    if (m_readOnly)
        return;
    QComboBox::showPopup();
}

void SortedComboBox::keyPressEvent(QKeyEvent *event)
{
    if (m_readOnly) {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_F4:
            event->ignore();
            return;
        default:
            break;
        }
    }
    QComboBox::keyPressEvent(event);
}

void SortedComboBox::wheelEvent(QWheelEvent *event)
{
    // The wheel scrolls the window, not the value: a read-only box must not change, and an
    // editable one changes only by the user's choice.
    event->ignore();
}

} // namespace vinary
