#pragma once

#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace vinary
{

// The parts of a dialog that lists rows to act on (today's movements, the dated copies): a list with
// its label as buddy, a line shown when the list is empty, an action button and Close.
struct ListDialogParts {
    QLabel *label = nullptr;
    QTreeWidget *list = nullptr;
    QLabel *empty = nullptr;
    QPushButton *action = nullptr;
    QPushButton *close = nullptr;
};

// Builds those parts and their layout in dialog; texts are translation keys, names object names.
ListDialogParts buildListDialog(QDialog *dialog, const QString &labelKey, const QString &listName,
                                const QString &emptyKey, const QString &actionKey, const QString &actionName);

} // namespace vinary
