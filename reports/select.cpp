#include "reports/select.h"

#include "data/cardrules.h"
#include "data/cellar.h"
#include "engine/common/datetimes.h"
#include "widgets/datebox.h"
#include "widgets/sortedcombobox.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

// The design sizes at 96 dots per inch; Qt maps them to other densities itself.
constexpr int kClientWidth = 277;
constexpr int kClientHeight = 243;
constexpr int kNotebookWidth = 269;
constexpr int kNotebookHeight = 173;
constexpr int kButtonWidth = 145;
constexpr int kButtonHeight = 25;

// The pick lists the four boxes copy, by their place among the card rules' seven.
constexpr int kGroupList = 0;
constexpr int kProducerList = 2;
constexpr int kSupplierList = 3;
constexpr int kTypeList = 4;

QFormLayout *pageLayout(QWidget *page)
{
    auto *form = new QFormLayout(page);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setContentsMargins(8, 8, 8, 8);
    form->setVerticalSpacing(3);
    return form;
}

QLabel *rowLabel(QWidget *page, const char *name, const QString &caption)
{
    auto *label = new QLabel(caption, page);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

SortedComboBox *textBox(QWidget *page, const char *name)
{
    auto *box = new SortedComboBox(page);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QString dateText(const DateBox *box)
{
    return box->isEmpty() ? QString() : toIsoText(QDateTime(box->date(), QTime(0, 0)));
}

} // namespace

TSelezioneForm::TSelezioneForm(Cellar &cellar, QWidget *parent)
    : QDialog(parent), m_cellar(cellar), m_cellarAlive(&cellar)
{
    FormCreate();
}

TSelezioneForm::~TSelezioneForm()
{
    // The filters must not read boxes that are gone.
    if (m_cellarAlive) {
        FilterCriteria &c = m_cellar.criteria;
        c.selGruppo = nullptr;
        c.selproduttore = nullptr;
        c.selfornitore = nullptr;
        c.seltipologia = nullptr;
        c.incarta = nullptr;
        c.dadata = nullptr;
        c.adata = nullptr;
    }
}

void TSelezioneForm::FormCreate()
{
    setObjectName(u"SelezioneForm"_s);
    // A dialog border without title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(u"[SELEZIONE]"_s);
    setSizeGripEnabled(false);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 8);
    outer->setSpacing(4);

    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(u"Notebook1"_s);
    Notebook1->setFrameShape(QFrame::StyledPanel);
    Notebook1->setMinimumSize(kNotebookWidth, kNotebookHeight);
    Notebook1->addWidget(createVinaryPage());
    Notebook1->addWidget(createGiornalePage());
    outer->addWidget(Notebook1, 1);

    BitBtn1 = new QPushButton(u"[CONFERMA]"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setDefault(true);
    BitBtn1->setAutoDefault(true);
    BitBtn2 = new QPushButton(u"[ANNULLA]"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    BitBtn2->setAutoDefault(false);
    for (QPushButton *button : {BitBtn1, BitBtn2}) {
        button->setFixedSize(kButtonWidth, kButtonHeight);
        outer->addWidget(button, 0, Qt::AlignHCenter);
    }
    // Esc rejects the dialog already; the cancel button does the same.
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(selGruppo, selproduttore);
    setTabOrder(selproduttore, selfornitore);
    setTabOrder(selfornitore, seltipologia);
    setTabOrder(seltipologia, incarta);
    setTabOrder(incarta, noincarta);
    setTabOrder(noincarta, selOrder);
    setTabOrder(selOrder, dadata);
    setTabOrder(dadata, adata);
    setTabOrder(adata, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    resize(kClientWidth, kClientHeight);
    translate();
    // The design size, or more where the translated captions need it.
    Notebook1->setMinimumSize(QSize(kNotebookWidth, kNotebookHeight).expandedTo(Notebook1->minimumSizeHint()));
    installCriteria();
}

QWidget *TSelezioneForm::createVinaryPage()
{
    pageVinary = new QWidget;
    pageVinary->setObjectName(PrintSelection::vinaryPage());
    QFormLayout *form = pageLayout(pageVinary);

    selGruppo = textBox(pageVinary, "selGruppo");
    selproduttore = textBox(pageVinary, "selproduttore");
    selfornitore = textBox(pageVinary, "selfornitore");
    seltipologia = textBox(pageVinary, "seltipologia");
    Label1 = rowLabel(pageVinary, "Label1", u"[GRUPPO]"_s);
    Label2 = rowLabel(pageVinary, "Label2", u"[PRODUTTORE]"_s);
    Label3 = rowLabel(pageVinary, "Label3", u"[FORNITORE]"_s);
    Label4 = rowLabel(pageVinary, "Label4", u"[TIPOLOGIA]"_s);

    incarta = new QRadioButton(u"[SOLO_CARTA]"_s, pageVinary);
    incarta->setObjectName(u"incarta"_s);
    noincarta = new QRadioButton(u"[TUTTI]"_s, pageVinary);
    noincarta->setObjectName(u"noincarta"_s);
    noincarta->setChecked(true);
    // A long caption widens the dialog rather than being cut.
    for (QRadioButton *radio : {incarta, noincarta})
        radio->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);

    // The sort orders in the order of Indici, not alphabetical; the list offers only its entries.
    selOrder = new QComboBox(pageVinary);
    selOrder->setObjectName(u"selOrder"_s);
    selOrder->setEditable(false);
    Label7 = rowLabel(pageVinary, "Label7", u"[ORDINE]"_s);

    const std::pair<QLabel *, QWidget *> rows[] = {
        {Label1, selGruppo}, {Label2, selproduttore}, {Label3, selfornitore}, {Label4, seltipologia},
        {nullptr, incarta},  {nullptr, noincarta},    {Label7, selOrder},
    };
    for (const auto &[label, field] : rows) {
        if (label) {
            label->setBuddy(field);
            form->addRow(label, field);
        } else {
            form->addRow(QString(), field);
        }
    }
    return pageVinary;
}

QWidget *TSelezioneForm::createGiornalePage()
{
    pageGiornale = new QWidget;
    pageGiornale->setObjectName(PrintSelection::giornalePage());
    QFormLayout *form = pageLayout(pageGiornale);

    dadata = new DateBox(pageGiornale);
    dadata->setObjectName(u"dadata"_s);
    adata = new DateBox(pageGiornale);
    adata->setObjectName(u"adata"_s);
    Label5 = rowLabel(pageGiornale, "Label5", u"[DA_DATA]"_s);
    Label6 = rowLabel(pageGiornale, "Label6", u"[A_DATA]"_s);
    Label5->setBuddy(dadata);
    Label6->setBuddy(adata);
    form->addRow(Label5, dadata);
    form->addRow(Label6, adata);
    return pageGiornale;
}

void TSelezioneForm::translate()
{
    // The caption, then the labels, radio buttons and buttons; boxes and page names stay as they are.
    setWindowTitle(m_cellar.traduci(windowTitle()));
    for (QLabel *label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7})
        label->setText(m_cellar.traduci(label->text()));
    for (QRadioButton *radio : {incarta, noincarta})
        radio->setText(m_cellar.traduci(radio->text()));
    for (QPushButton *button : {BitBtn1, BitBtn2})
        button->setText(m_cellar.traduci(button->text()));
    // The calendar buttons carry the caption of their box as hint.
    dadata->setCalendarHint(Label5->text().remove(u'&'));
    adata->setCalendarHint(Label6->text().remove(u'&'));
}

void TSelezioneForm::installCriteria()
{
    // Read at every record test, so a report sees the boxes as they were confirmed.
    const QPointer<TSelezioneForm> self(this);
    auto text = [self](SortedComboBox *TSelezioneForm::*box) {
        return [self, box]() { return self ? (self->*box)->currentText() : QString(); };
    };
    FilterCriteria &c = m_cellar.criteria;
    c.selGruppo = text(&TSelezioneForm::selGruppo);
    c.selproduttore = text(&TSelezioneForm::selproduttore);
    c.selfornitore = text(&TSelezioneForm::selfornitore);
    c.seltipologia = text(&TSelezioneForm::seltipologia);
    c.incarta = [self] { return self && self->incarta->isChecked(); };
    c.dadata = [self] { return self ? dateText(self->dadata) : QString(); };
    c.adata = [self] { return self ? dateText(self->adata) : QString(); };
}

void TSelezioneForm::FormActivate()
{
    const std::pair<SortedComboBox *, int> boxes[] = {
        {selGruppo, kGroupList},
        {selproduttore, kProducerList},
        {selfornitore, kSupplierList},
        {seltipologia, kTypeList},
    };
    for (const auto &[box, index] : boxes) {
        if (const PickList *list = m_cellar.rules.pickList(index))
            box->setItems(list->items());
    }
}

bool TSelezioneForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TSelezioneForm::showEvent(QShowEvent *event)
{
    // Some window systems activate a modal dialog late, or not at all offscreen; the lists are
    // current as soon as it shows.
    FormActivate();
    QDialog::showEvent(event);
}

void TSelezioneForm::setActivePage(const QString &name)
{
    for (int i = 0; i < Notebook1->count(); ++i) {
        if (Notebook1->widget(i)->objectName() == name) {
            Notebook1->setCurrentIndex(i);
            return;
        }
    }
}

QString TSelezioneForm::activePage() const
{
    const QWidget *page = Notebook1->currentWidget();
    return page ? page->objectName() : QString();
}

void TSelezioneForm::setFromDate(const QDateTime &date)
{
    dadata->setDate(date.isValid() ? date.date() : QDate());
}

void TSelezioneForm::setToDate(const QDateTime &date)
{
    adata->setDate(date.isValid() ? date.date() : QDate());
}

void TSelezioneForm::clearOrders()
{
    selOrder->clear();
}

void TSelezioneForm::addOrder(const QString &entry)
{
    selOrder->addItem(entry);
}

int TSelezioneForm::orderCount() const
{
    return selOrder->count();
}

void TSelezioneForm::setOrderIndex(int index)
{
    selOrder->setCurrentIndex(index);
}

int TSelezioneForm::orderIndex() const
{
    return selOrder->currentIndex();
}

void TSelezioneForm::setOrderEnabled(bool enabled)
{
    selOrder->setEnabled(enabled);
}

bool TSelezioneForm::execute()
{
    return exec() == QDialog::Accepted;
}

} // namespace vinary
