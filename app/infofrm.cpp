#include "app/infofrm.h"

#include "app/desktoplauncher.h"
#include "app/pictures.h"
#include "data/cellar.h"
#include "widgets/guard.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

const QString kMaker = u"Vinary Software"_s;
// The maker has no postal address, telephone or fax to publish; those lines stay empty rather
// than show made-up numbers.
const QString kAddress;
const QString kTelephone;

QLabel *boldLabel(QWidget *parent, const char *name, const QString &text, int pixelSize,
                  Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->setAlignment(alignment);
    return label;
}

} // namespace

TfrmInfo::TfrmInfo(Cellar &cellar, QWidget *parent) : QDialog(parent), m_cellar(cellar)
{
    setObjectName(u"frmInfo"_s);
    setWindowTitle(u"[INFORMAZIONI]"_s);
    // A dialog border: no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    // A groove: lowered outside, raised inside.
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(u"ProgramIcon"_s);
    ProgramIcon->setFixedSize(32, 32);
    ProgramIcon->setPixmap(pictures::render(u"vinary.svg"_s, QSize(32, 32), devicePixelRatioF()));
    ProgramIcon->setAccessibleName(u"Vinary"_s);

    ProductName = boldLabel(Panel1, "ProductName", kMaker, 19, Qt::AlignRight | Qt::AlignVCenter);
    Label4 = boldLabel(Panel1, "Label4", u"[TITOLO] 04.02"_s, 19, Qt::AlignRight | Qt::AlignVCenter);
    Comments = boldLabel(Panel1, "Comments", u"[DESCRIZIONE_SOFTWARE]"_s, 11, Qt::AlignCenter);
    Comments->setWordWrap(true);
    QPalette navy = Comments->palette();
    navy.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    Comments->setPalette(navy);

    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName(u"Bevel1"_s);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    Label2 = boldLabel(Panel1, "Label2", kAddress, 11, Qt::AlignCenter);
    Label3 = boldLabel(Panel1, "Label3", kTelephone, 11, Qt::AlignCenter);
    Label1 = boldLabel(Panel1, "Label1", makerWebSite().host(), 11, Qt::AlignCenter);
    for (QLabel *label : {Label2, Label3, Label1})
        label->setWordWrap(true);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(ProductName);
    titles->addWidget(Label4);
    auto *top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    top->addLayout(titles, 1);

    auto *inside = new QVBoxLayout(Panel1);
    inside->setContentsMargins(8, 8, 8, 6);
    inside->setSpacing(4);
    inside->addLayout(top);
    inside->addSpacing(2);
    inside->addWidget(Comments);
    inside->addStretch(1);
    inside->addWidget(Bevel1);
    inside->addWidget(Label2);
    inside->addWidget(Label3);
    inside->addWidget(Label1);

    OKButton = new QPushButton(u"OK"_s, this);
    OKButton->setObjectName(u"OKButton"_s);
    OKButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    OKButton->setMinimumWidth(75);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(8);
    outer->addWidget(Panel1, 1);
    outer->addWidget(OKButton, 0, Qt::AlignHCenter);

    guarded(this, [this] { FormCreate(); });

    // The designed size, taller only when a translation needs more lines than it leaves room for.
    setFixedSize(kWidth, qMax(kHeight, outer->totalHeightForWidth(kWidth)));
}

void TfrmInfo::FormCreate()
{
    // The scaling to the screen's density is Qt's own. "OK" is not a label and keeps its text.
    setWindowTitle(m_cellar.traduci(windowTitle()));
    const QList<QLabel *> labels = findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (!label->text().isEmpty())
            label->setText(m_cellar.traduci(label->text()));
    }
}

void TfrmInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    OKButton->setFocus();
}

} // namespace vinary
