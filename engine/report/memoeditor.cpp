#include "engine/report/memoeditor.h"

#include "engine/report/dataset.h"
#include "engine/report/texts.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary::report
{

MemoEditor::MemoEditor(const QString &text, const DatasetRegistry &datasets, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"memoEditor"_s);
    setWindowTitle(objectKindLabel(ObjectKind::Text));
    resize(720, 420);

    auto *textLabel = new QLabel(engineText(u"[MOT_TESTO]"_s, u"&Text"_s), this);
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(u"memoText"_s);
    m_edit->setPlainText(text);
    m_edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    textLabel->setBuddy(m_edit);

    auto *fieldsLabel = new QLabel(engineText(u"[MOT_CAMPI_VALORI]"_s, u"&Fields, values and functions"_s), this);
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
    // What the engine computes: each entry shows its syntax, says what it gives, and inserts a
    // bracketed expression with the cursor where the argument goes.
    struct Entry {
        const char16_t *syntax;
        const char16_t *insert;
        int back; // characters from the end of the inserted text to the cursor
        const char16_t *helpKey;
        const char16_t *help;
    };
    static const Entry values[] = {
        {u"[DATE]", u"[DATE]", 0, u"[MOT_AIUTO_DATA]", u"Today's date"},
        {u"[TIME]", u"[TIME]", 0, u"[MOT_AIUTO_ORA]", u"The time of printing"},
        {u"[PAGE#]", u"[PAGE#]", 0, u"[MOT_AIUTO_PAGINA]", u"The page number"},
        {u"[TOTALPAGES]", u"[TOTALPAGES]", 0, u"[MOT_AIUTO_PAGINE]", u"The number of pages"},
        {u"[LINE#]", u"[LINE#]", 0, u"[MOT_AIUTO_RIGA]", u"The row number within the data band"},
        {u"[CURRENCY]", u"[CURRENCY]", 0, u"[MOT_AIUTO_VALUTA]", u"The currency symbol of the locale, such as €"},
    };
    static const Entry functions[] = {
        {u"SUM(expression)", u"[SUM()]", 2, u"[MOT_AIUTO_SUM]", u"Total of the printed rows; in a group footer, of the group"},
        {u"COUNT()", u"[COUNT()]", 0,
         u"[MOT_AIUTO_COUNT]", u"Number of printed rows; COUNT(expression) counts the non-empty values"},
        {u"AVG(expression)", u"[AVG()]", 2, u"[MOT_AIUTO_AVG]", u"Average of the printed rows"},
        {u"MIN(expression)", u"[MIN()]", 2, u"[MOT_AIUTO_MIN]", u"Smallest value of the printed rows"},
        {u"MAX(expression)", u"[MAX()]", 2, u"[MOT_AIUTO_MAX]", u"Largest value of the printed rows"},
        {u"IIF(condition; if true; if false)", u"[IIF(; ; )]", 6,
         u"[MOT_AIUTO_IIF]", u"One of two values, as the condition holds"},
        {u"FORMAT(value; 'pattern')", u"[FORMAT(; '')]", 5,
         u"[MOT_AIUTO_FORMAT]", u"A number or date shown by a pattern: '#,##0.00', 'MMMM yyyy'"},
        {u"UPPER(text)", u"[UPPER()]", 2, u"[MOT_AIUTO_UPPER]", u"The text in capitals"},
        {u"LOWER(text)", u"[LOWER()]", 2, u"[MOT_AIUTO_LOWER]", u"The text in small letters"},
        {u"TRIM(text)", u"[TRIM()]", 2, u"[MOT_AIUTO_TRIM]", u"The text without blanks around it"},
        {u"ROUND(number; digits)", u"[ROUND(; 2)]", 5, u"[MOT_AIUTO_ROUND]", u"The number rounded to so many decimals"},
        {u"INT(number)", u"[INT()]", 2, u"[MOT_AIUTO_INT]", u"The whole part of the number"},
        {u"ABS(number)", u"[ABS()]", 2, u"[MOT_AIUTO_ABS]", u"The number without its sign"},
        {u"STR(value)", u"[STR()]", 2, u"[MOT_AIUTO_STR]", u"The value as text"},
        {u"LEN(text)", u"[LEN()]", 2, u"[MOT_AIUTO_LEN]", u"The number of characters"},
    };
    auto addEntries = [this](const QString &title, const auto &entries) {
        auto *top = new QTreeWidgetItem(m_fields, {title});
        for (const Entry &e : entries) {
            auto *item = new QTreeWidgetItem(top, {QString::fromUtf16(e.syntax)});
            item->setData(0, Qt::UserRole, QString::fromUtf16(e.insert));
            item->setData(0, Qt::UserRole + 1, e.back);
            const QString help = engineText(QString::fromUtf16(e.helpKey), QString::fromUtf16(e.help));
            item->setData(0, Qt::UserRole + 2, help);
            item->setToolTip(0, help);
        }
    };
    addEntries(engineText(u"[MOT_VALORI]"_s, u"Values"_s), values);
    addEntries(engineText(u"[MOT_FUNZIONI]"_s, u"Functions"_s), functions);
    m_fields->expandAll();
    auto *help = new QLabel(this);
    help->setObjectName(u"memoHelp"_s);
    help->setWordWrap(true);
    help->setMinimumHeight(help->fontMetrics().lineSpacing() * 3);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(m_fields, &QTreeWidget::currentItemChanged, help, [help](QTreeWidgetItem *item) {
        const QString text = item ? item->data(0, Qt::UserRole + 2).toString() : QString();
        help->setText(text.isEmpty() ? QString() : item->text(0) + u"\n"_s + text);
    });
    auto *insert = new QPushButton(engineText(u"[MOT_INSERISCI]"_s, u"&Insert"_s), this);
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
    rightLayout->addWidget(help);
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
    QTextCursor cursor = m_edit->textCursor();
    cursor.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor, item->data(0, Qt::UserRole + 1).toInt());
    m_edit->setTextCursor(cursor);
    m_edit->setFocus();
}

} // namespace vinary::report
