#include "stock/listdialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

ListDialogParts buildListDialog(QDialog *dialog, const QString &labelKey, const QString &listName,
                                const QString &emptyKey, const QString &actionKey, const QString &actionName)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    ListDialogParts parts;
    parts.label = new QLabel(labelKey, dialog);
    parts.list = new QTreeWidget(dialog);
    parts.list->setObjectName(listName);
    parts.list->setRootIsDecorated(false);
    parts.list->setUniformRowHeights(true);
    parts.list->setAllColumnsShowFocus(true);
    parts.label->setBuddy(parts.list);
    parts.empty = new QLabel(emptyKey, dialog);
    parts.empty->setWordWrap(true);
    parts.action = new QPushButton(actionKey, dialog);
    parts.action->setObjectName(actionName);
    parts.close = new QPushButton(u"[CHIUDI]"_s, dialog);
    parts.close->setObjectName(u"btnChiudi"_s);
    parts.action->setAutoDefault(false);
    parts.close->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(parts.action);
    buttons->addWidget(parts.close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(parts.label);
    layout->addWidget(parts.list, 1);
    layout->addWidget(parts.empty);
    layout->addLayout(buttons);
    return parts;
}

} // namespace vinary
