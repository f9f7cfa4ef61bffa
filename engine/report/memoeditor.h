#pragma once

#include <QDialog>

class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace vinary::report
{

class DatasetRegistry;

// Edits an object's text, with the fields of the registered datasets and the built-in values to
// insert at the cursor. Fields are inserted qualified, [Schede."Descrizione"], which the program's
// template translation never mistakes for a translation key.
class MemoEditor : public QDialog
{
    Q_OBJECT
public:
    MemoEditor(const QString &text, const DatasetRegistry &datasets, QWidget *parent = nullptr);
    QString text() const;
    QPlainTextEdit *editor() const { return m_edit; }
    QTreeWidget *fieldTree() const { return m_fields; }
    void insertItem(QTreeWidgetItem *item);

private:
    QPlainTextEdit *m_edit = nullptr;
    QTreeWidget *m_fields = nullptr;
};

} // namespace vinary::report
