#include "engine/report/memoeditor.h"

#include "engine/report/dataset.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary::report
{

MemoEditor::MemoEditor(const QString &text, const DatasetRegistry &datasets, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"memoEditor"_s);
    setWindowTitle(u"Text"_s);
    resize(720, 420);

    auto *textLabel = new QLabel(u"&Text"_s, this);
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(u"memoText"_s);
    m_edit->setPlainText(text);
    m_edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    textLabel->setBuddy(m_edit);

    auto *fieldsLabel = new QLabel(u"&Fields and values"_s, this);
    m_fields = new QTreeWidget(this);
    m_fields->setObjectName(u"memoFields"_s);
    m_fields->setHeaderHidden(true);
    fieldsLabel->setBuddy(m_fields);
    const QStringList names = datasets.names();
    for (const QString &name : names) {
        auto *top = new QTreeWidgetItem(m_fields, {name});
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString component = dot < 0 ? name : name.mid(dot + 1);
        if (ReportDataset *ds = datasets.find(name)) {
            const QStringList fields = ds->fieldNames();
            for (const QString &f : fields) {
                auto *item = new QTreeWidgetItem(top, {f});
                item->setData(0, Qt::UserRole, u"[%1.\"%2\"]"_s.arg(component, f));
            }
        }
    }
    auto *builtins = new QTreeWidgetItem(m_fields, {u"Values"_s});
    const QStringList values = {u"[DATE]"_s, u"[TIME]"_s, u"[PAGE#]"_s, u"[TOTALPAGES]"_s, u"[LINE#]"_s};
    for (const QString &v : values) {
        auto *item = new QTreeWidgetItem(builtins, {v});
        item->setData(0, Qt::UserRole, v);
    }
    m_fields->expandAll();
    auto *insert = new QPushButton(u"&Insert"_s, this);
    insert->setObjectName(u"memoInsert"_s);

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(textLabel);
    leftLayout->addWidget(m_edit);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(fieldsLabel);
    rightLayout->addWidget(m_fields);
    rightLayout->addWidget(insert);
    auto *splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_fields, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { insertItem(item); });
    connect(insert, &QPushButton::clicked, this, [this] { insertItem(m_fields->currentItem()); });
    setTabOrder(m_edit, m_fields);
    setTabOrder(m_fields, insert);
    m_edit->setFocus();
}

QString MemoEditor::text() const
{
    return m_edit->toPlainText();
}

void MemoEditor::insertItem(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QString value = item->data(0, Qt::UserRole).toString();
    if (value.isEmpty())
        return;
    m_edit->insertPlainText(value);
    m_edit->setFocus();
}

} // namespace vinary::report
