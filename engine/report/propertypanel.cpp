#include "engine/report/propertypanel.h"

#include "engine/report/texts.h"
#include "engine/report/uiservices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vinary::report
{

namespace
{
constexpr BandType bandTypes[] = {BandType::ReportTitle, BandType::PageHeader,    BandType::MasterHeader,
                                  BandType::MasterData,  BandType::MasterFooter,  BandType::GroupHeader,
                                  BandType::GroupFooter, BandType::ReportSummary, BandType::PageFooter};
constexpr Qt::PenStyle penStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::NoPen};
} // namespace

PropertyPanel::PropertyPanel(UiServices &services, QWidget *parent) : QWidget(parent), m_services(services)
{
    setObjectName(u"propertyPanel"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    QFormLayout *form = nullptr;
    m_objectGroup = group(engineText(u"[MOT_OGGETTO]"_s, u"Object"_s), u"groupObject"_s, &form);
    m_name = new QLineEdit(this);
    m_name->setObjectName(u"propName"_s);
    addRow(form, engineText(u"[MOT_NOME]"_s, u"&Name"_s), m_name);
    m_x = lengthBox(u"propX"_s);
    m_y = lengthBox(u"propY"_s);
    m_w = lengthBox(u"propWidth"_s);
    m_h = lengthBox(u"propHeight"_s);
    m_x->setMinimum(-1000);
    m_y->setMinimum(-1000);
    addRow(form, engineText(u"[MOT_SINISTRA_MM]"_s, u"&Left (mm)"_s), m_x);
    addRow(form, engineText(u"[MOT_ALTO_MM]"_s, u"&Top (mm)"_s), m_y);
    addRow(form, engineText(u"[MOT_LARGHEZZA_MM]"_s, u"&Width (mm)"_s), m_w);
    addRow(form, engineText(u"[MOT_ALTEZZA_MM]"_s, u"&Height (mm)"_s), m_h);
    auto *editText = new QPushButton(engineText(u"[MOT_MODIFICA_TESTO]"_s, u"Edit te&xt…"_s), this);
    editText->setObjectName(u"propEditText"_s);
    form->addRow(editText);
    layout->addWidget(m_objectGroup);

    m_textGroup = group(engineText(u"[MOT_CARATTERE_CORNICE]"_s, u"Font and frame"_s), u"groupText"_s, &form);
    m_font = new QFontComboBox(this);
    m_font->setObjectName(u"propFont"_s);
    m_font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_font->setMinimumContentsLength(14);
    addRow(form, engineText(u"[MOT_CARATTERE]"_s, u"&Font"_s), m_font);
    m_size = new QDoubleSpinBox(this);
    m_size->setObjectName(u"propFontSize"_s);
    m_size->setRange(1, 400);
    m_size->setDecimals(1);
    m_size->setSingleStep(0.5);
    addRow(form, engineText(u"[MOT_DIMENSIONE_PT]"_s, u"&Size (pt)"_s), m_size);
    auto styleRow = new QWidget(this);
    auto *styleLayout = new QHBoxLayout(styleRow);
    styleLayout->setContentsMargins(0, 0, 0, 0);
    m_bold = new QCheckBox(engineText(u"[MOT_GRASSETTO]"_s, u"&Bold"_s), styleRow);
    m_italic = new QCheckBox(engineText(u"[MOT_CORSIVO]"_s, u"&Italic"_s), styleRow);
    m_underline = new QCheckBox(engineText(u"[MOT_SOTTOLINEATO]"_s, u"&Underline"_s), styleRow);
    m_bold->setObjectName(u"propBold"_s);
    m_italic->setObjectName(u"propItalic"_s);
    m_underline->setObjectName(u"propUnderline"_s);
    styleLayout->addWidget(m_bold);
    styleLayout->addWidget(m_italic);
    styleLayout->addWidget(m_underline);
    form->addRow(styleRow);
    m_hAlign = new QComboBox(this);
    m_hAlign->setObjectName(u"propAlign"_s);
    m_hAlign->addItems({engineText(u"[MOT_ALLINEA_SINISTRA]"_s, u"Left"_s),
                        engineText(u"[MOT_ALLINEA_CENTRO]"_s, u"Centre"_s),
                        engineText(u"[MOT_ALLINEA_DESTRA]"_s, u"Right"_s)});
    addRow(form, engineText(u"[MOT_ALLINEAMENTO]"_s, u"&Alignment"_s), m_hAlign);
    m_vAlign = new QComboBox(this);
    m_vAlign->setObjectName(u"propVAlign"_s);
    m_vAlign->addItems({engineText(u"[MOT_ALLINEA_ALTO]"_s, u"Top"_s), engineText(u"[MOT_ALLINEA_MEZZO]"_s, u"Middle"_s),
                        engineText(u"[MOT_ALLINEA_BASSO]"_s, u"Bottom"_s)});
    addRow(form, engineText(u"[MOT_VERTICALE]"_s, u"&Vertical"_s), m_vAlign);
    m_fit = new QComboBox(this);
    m_fit->setObjectName(u"propFit"_s);
    m_fit->addItems({engineText(u"[MOT_TAGLIA_AL_BORDO]"_s, u"Cut at the edge"_s), engineText(u"[MOT_RIMPICCIOLISCI]"_s, u"Shrink to fit"_s),
                     engineText(u"[MOT_TERMINA_PUNTINI]"_s, u"End in …"_s)});
    addRow(form, engineText(u"[MOT_TROPPO_LUNGO]"_s, u"Too lo&ng"_s), m_fit);
    m_wrap = new QCheckBox(engineText(u"[MOT_A_CAPO]"_s, u"&Word wrap"_s), this);
    m_wrap->setObjectName(u"propWrap"_s);
    m_stretch = new QCheckBox(engineText(u"[MOT_CRESCE_COL_TESTO]"_s, u"&Grow with the text"_s), this);
    m_stretch->setObjectName(u"propStretch"_s);
    form->addRow(m_wrap);
    form->addRow(m_stretch);
    auto *frameRow = new QWidget(this);
    auto *frameLayout = new QGridLayout(frameRow);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    m_frameLeft = new QCheckBox(engineText(u"[MOT_CORNICE_SINISTRA]"_s, u"Left"_s), frameRow);
    m_frameTop = new QCheckBox(engineText(u"[MOT_CORNICE_SOPRA]"_s, u"Top"_s), frameRow);
    m_frameRight = new QCheckBox(engineText(u"[MOT_CORNICE_DESTRA]"_s, u"Right"_s), frameRow);
    m_frameBottom = new QCheckBox(engineText(u"[MOT_CORNICE_SOTTO]"_s, u"Bottom"_s), frameRow);
    m_frameLeft->setObjectName(u"propFrameLeft"_s);
    m_frameTop->setObjectName(u"propFrameTop"_s);
    m_frameRight->setObjectName(u"propFrameRight"_s);
    m_frameBottom->setObjectName(u"propFrameBottom"_s);
    frameLayout->addWidget(m_frameLeft, 0, 0);
    frameLayout->addWidget(m_frameTop, 0, 1);
    frameLayout->addWidget(m_frameRight, 1, 0);
    frameLayout->addWidget(m_frameBottom, 1, 1);
    auto *frameLabel = new QLabel(engineText(u"[MOT_CORNICE]"_s, u"Frame"_s), this);
    form->addRow(frameLabel, frameRow);
    m_frameWidth = lengthBox(u"propFrameWidth"_s);
    m_frameWidth->setRange(0, 20);
    m_frameWidth->setSingleStep(0.1);
    addRow(form, engineText(u"[MOT_SPESSORE_CORNICE]"_s, u"Frame wi&dth (mm)"_s), m_frameWidth);
    m_frameColor = colorButton(
        u"propFrameColor"_s, engineText(u"[MOT_COLORE_CORNICE_HINT]"_s, u"Frame colour"_s),
        [](ReportObject &o, const QColor &c) { o.frameColor = c; }, false);
    addRow(form, engineText(u"[MOT_COLORE_CORNICE]"_s, u"Frame &colour"_s), m_frameColor);
    m_textColor = colorButton(
        u"propTextColor"_s, engineText(u"[MOT_COLORE_TESTO_HINT]"_s, u"Text colour"_s),
        [](ReportObject &o, const QColor &c) { o.textColor = c; }, false);
    addRow(form, engineText(u"[MOT_COLORE_TESTO]"_s, u"Te&xt colour"_s), m_textColor);
    m_fillColor = colorButton(
        u"propFillColor"_s, engineText(u"[MOT_COLORE_SFONDO_HINT]"_s, u"Fill colour"_s),
        [](ReportObject &o, const QColor &c) { o.fillColor = c; }, true);
    addRow(form, engineText(u"[MOT_SFONDO]"_s, u"Fi&ll"_s), m_fillColor);
    m_format = new QLineEdit(this);
    m_format->setObjectName(u"propFormat"_s);
    m_format->setPlaceholderText(engineText(u"[MOT_ESEMPIO_FORMATO]"_s, u"0.00;;#  or  dd/MM/yyyy"_s));
    addRow(form, engineText(u"[MOT_FORMATO]"_s, u"F&ormat"_s), m_format);
    layout->addWidget(m_textGroup);

    m_bandGroup = group(objectKindLabel(ObjectKind::Band), u"groupBand"_s, &form);
    m_bandType = new QComboBox(this);
    m_bandType->setObjectName(u"propBandType"_s);
    for (const BandType type : bandTypes)
        m_bandType->addItem(bandTypeLabel(type));
    addRow(form, engineText(u"[MOT_TIPO_BANDA]"_s, u"&Band type"_s), m_bandType);
    m_dataset = new QComboBox(this);
    m_dataset->setObjectName(u"propDataset"_s);
    m_dataset->setEditable(true);
    addRow(form, engineText(u"[MOT_ORIGINE_DATI]"_s, u"&Dataset"_s), m_dataset);
    m_groupExpression = new QLineEdit(this);
    m_groupExpression->setObjectName(u"propGroup"_s);
    m_groupExpression->setPlaceholderText(u"[Tipologia]"_s);
    addRow(form, engineText(u"[MOT_RAGGRUPPA]"_s, u"&Group by"_s), m_groupExpression);
    m_condition = new QLineEdit(this);
    m_condition->setObjectName(u"propCondition"_s);
    m_condition->setPlaceholderText(u"[Quantita] <= [Scorta]"_s);
    addRow(form, engineText(u"[MOT_STAMPA_SE]"_s, u"&Print if"_s), m_condition);
    m_currentRow = new QCheckBox(engineText(u"[MOT_SOLO_RIGA_CORRENTE]"_s, u"Only the &current row"_s), this);
    m_currentRow->setObjectName(u"propCurrentRow"_s);
    m_repeat = new QCheckBox(engineText(u"[MOT_RIPETI_OGNI_PAGINA]"_s, u"&Repeat on each page"_s), this);
    m_repeat->setObjectName(u"propRepeat"_s);
    m_firstPage =
        new QCheckBox(engineText(u"[MOT_PRIMA_PAGINA_STAMPA]"_s, u"Print on the &first page"_s), this);
    m_firstPage->setObjectName(u"propFirstPage"_s);
    form->addRow(m_currentRow);
    form->addRow(m_repeat);
    form->addRow(m_firstPage);
    layout->addWidget(m_bandGroup);

    m_shapeGroup = group(engineText(u"[MOT_LINEA_FORMA]"_s, u"Line and shape"_s), u"groupShape"_s, &form);
    m_shapeKind = new QComboBox(this);
    m_shapeKind->setObjectName(u"propShape"_s);
    m_shapeKind->addItems({engineText(u"[MOT_RETTANGOLO]"_s, u"Rectangle"_s),
                           engineText(u"[MOT_RETTANGOLO_ARROTONDATO]"_s, u"Rounded rectangle"_s),
                           engineText(u"[MOT_ELLISSE]"_s, u"Ellipse"_s)});
    addRow(form, engineText(u"[MOT_FORMA]"_s, u"&Shape"_s), m_shapeKind);
    m_penWidth = lengthBox(u"propPenWidth"_s);
    m_penWidth->setRange(0, 20);
    m_penWidth->setSingleStep(0.1);
    addRow(form, engineText(u"[MOT_SPESSORE_TRATTO]"_s, u"&Pen width (mm)"_s), m_penWidth);
    m_penStyle = new QComboBox(this);
    m_penStyle->setObjectName(u"propPenStyle"_s);
    m_penStyle->addItems({engineText(u"[MOT_TRATTO_CONTINUO]"_s, u"Solid"_s),
                          engineText(u"[MOT_TRATTO_LINEETTE]"_s, u"Dashes"_s),
                          engineText(u"[MOT_TRATTO_PUNTI]"_s, u"Dots"_s),
                          engineText(u"[MOT_TRATTO_LINEA_PUNTO]"_s, u"Dash and dot"_s),
                          engineText(u"[MOT_NESSUNO]"_s, u"None"_s)});
    addRow(form, engineText(u"[MOT_STILE_TRATTO]"_s, u"Pen s&tyle"_s), m_penStyle);
    m_penColor = colorButton(
        u"propPenColor"_s, engineText(u"[MOT_COLORE_TRATTO_HINT]"_s, u"Pen colour"_s),
        [](ReportObject &o, const QColor &c) { o.penColor = c; }, false);
    addRow(form, engineText(u"[MOT_COLORE_TRATTO]"_s, u"Pen &colour"_s), m_penColor);
    m_brushColor = colorButton(
        u"propBrushColor"_s, engineText(u"[MOT_COLORE_RIEMPIMENTO_HINT]"_s, u"Shape fill colour"_s),
        [](ReportObject &o, const QColor &c) { o.brushColor = c; }, true);
    addRow(form, engineText(u"[MOT_RIEMPIMENTO]"_s, u"&Fill"_s), m_brushColor);
    m_radius = lengthBox(u"propRadius"_s);
    addRow(form, engineText(u"[MOT_RAGGIO_ANGOLI]"_s, u"Corner &radius (mm)"_s), m_radius);
    layout->addWidget(m_shapeGroup);

    m_pictureGroup = group(objectKindLabel(ObjectKind::Picture), u"groupPicture"_s, &form);
    auto *load = new QPushButton(engineText(u"[MOT_CARICA_IMMAGINE]"_s, u"&Load picture…"_s), this);
    load->setObjectName(u"propLoadPicture"_s);
    m_keepAspect = new QCheckBox(engineText(u"[MOT_MANTIENI_PROPORZIONI]"_s, u"&Keep proportions"_s), this);
    m_keepAspect->setObjectName(u"propKeepAspect"_s);
    form->addRow(load);
    form->addRow(m_keepAspect);
    layout->addWidget(m_pictureGroup);

    m_pageGroup = group(engineText(u"[MOT_IMPOSTA_PAGINA]"_s, u"Page"_s), u"groupPage"_s, &form);
    m_paperW = lengthBox(u"propPaperWidth"_s);
    m_paperH = lengthBox(u"propPaperHeight"_s);
    m_marginL = lengthBox(u"propMarginLeft"_s);
    m_marginT = lengthBox(u"propMarginTop"_s);
    m_marginR = lengthBox(u"propMarginRight"_s);
    m_marginB = lengthBox(u"propMarginBottom"_s);
    m_paperW->setMinimum(10);
    m_paperH->setMinimum(10);
    addRow(form, engineText(u"[MOT_LARGHEZZA_FOGLIO]"_s, u"Paper &width (mm)"_s), m_paperW);
    addRow(form, engineText(u"[MOT_ALTEZZA_FOGLIO]"_s, u"Paper &height (mm)"_s), m_paperH);
    addRow(form, engineText(u"[MOT_MARGINE_SINISTRO]"_s, u"&Left margin"_s), m_marginL);
    addRow(form, engineText(u"[MOT_MARGINE_SUPERIORE]"_s, u"&Top margin"_s), m_marginT);
    addRow(form, engineText(u"[MOT_MARGINE_DESTRO]"_s, u"&Right margin"_s), m_marginR);
    addRow(form, engineText(u"[MOT_MARGINE_INFERIORE]"_s, u"&Bottom margin"_s), m_marginB);
    auto *turn = new QPushButton(engineText(u"[MOT_RUOTA_FOGLIO]"_s, u"T&urn the sheet"_s), this);
    turn->setObjectName(u"propTurnPage"_s);
    form->addRow(turn);
    layout->addWidget(m_pageGroup);
    layout->addStretch(1);

    // Edits
    connect(m_name, &QLineEdit::editingFinished, this, [this] {
        const QString v = m_name->text();
        edit(u"Rename"_s, [v](ReportObject &o) { o.name = v; });
    });
    auto geometry = [this](QDoubleSpinBox *box, int which) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, which](double v) {
            edit(u"Move"_s, [which, v](ReportObject &o) {
                if (which == 0)
                    o.rect.moveLeft(v);
                else if (which == 1)
                    o.rect.moveTop(v);
                else if (which == 2)
                    o.rect.setWidth(v);
                else
                    o.rect.setHeight(v);
            });
        });
    };
    geometry(m_x, 0);
    geometry(m_y, 1);
    geometry(m_w, 2);
    geometry(m_h, 3);
    // Enter in a field applies the field (editingFinished); it must not press a button as well.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(editText, &QPushButton::clicked, this, &PropertyPanel::editTextRequested);
    connect(m_font, &QFontComboBox::currentFontChanged, this, [this](const QFont &f) {
        const QString family = f.family();
        edit(u"Font"_s, [family](ReportObject &o) { o.fontFamily = family; });
    });
    connect(m_size, &QDoubleSpinBox::valueChanged, this,
            [this](double v) { edit(u"Font size"_s, [v](ReportObject &o) { o.fontSize = v; }); });
    auto flag = [this](QCheckBox *box, const QString &label, bool ReportObject::*member) {
        connect(box, &QCheckBox::toggled, this, [this, label, member](bool on) {
            edit(label, [member, on](ReportObject &o) { o.*member = on; });
        });
    };
    flag(m_bold, u"Bold"_s, &ReportObject::bold);
    flag(m_italic, u"Italic"_s, &ReportObject::italic);
    flag(m_underline, u"Underline"_s, &ReportObject::underline);
    flag(m_wrap, u"Word wrap"_s, &ReportObject::wordWrap);
    flag(m_stretch, u"Grow with the text"_s, &ReportObject::stretch);
    flag(m_currentRow, u"Current row only"_s, &ReportObject::currentRowOnly);
    flag(m_repeat, u"Repeat on each page"_s, &ReportObject::repeatOnNewPage);
    flag(m_firstPage, u"Print on the first page"_s, &ReportObject::printOnFirstPage);
    flag(m_keepAspect, u"Keep proportions"_s, &ReportObject::keepAspect);
    auto frameFlag = [this](QCheckBox *box, bool FrameEdges::*member) {
        connect(box, &QCheckBox::toggled, this, [this, member](bool on) {
            edit(u"Frame"_s, [member, on](ReportObject &o) { o.frame.*member = on; });
        });
    };
    frameFlag(m_frameLeft, &FrameEdges::left);
    frameFlag(m_frameTop, &FrameEdges::top);
    frameFlag(m_frameRight, &FrameEdges::right);
    frameFlag(m_frameBottom, &FrameEdges::bottom);
    connect(m_frameWidth, &QDoubleSpinBox::valueChanged, this,
            [this](double v) { edit(u"Frame width"_s, [v](ReportObject &o) { o.frameWidth = v; }); });
    connect(m_hAlign, &QComboBox::currentIndexChanged, this, [this](int i) {
        edit(u"Alignment"_s, [i](ReportObject &o) { o.hAlign = static_cast<HAlign>(i); });
    });
    connect(m_vAlign, &QComboBox::currentIndexChanged, this, [this](int i) {
        edit(u"Alignment"_s, [i](ReportObject &o) { o.vAlign = static_cast<VAlign>(i); });
    });
    connect(m_fit, &QComboBox::currentIndexChanged, this, [this](int i) {
        edit(u"Too long"_s, [i](ReportObject &o) { o.fit = static_cast<TextFit>(i); });
    });
    connect(m_format, &QLineEdit::editingFinished, this, [this] {
        const QString v = m_format->text();
        edit(u"Format"_s, [v](ReportObject &o) { o.format = v; });
    });
    connect(m_bandType, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i < 0)
            return;
        const BandType t = bandTypes[i];
        edit(u"Band type"_s, [t](ReportObject &o) { o.bandType = t; });
    });
    connect(m_dataset, &QComboBox::currentTextChanged, this,
            [this](const QString &v) { edit(u"Dataset"_s, [v](ReportObject &o) { o.dataset = v; }); });
    connect(m_groupExpression, &QLineEdit::editingFinished, this, [this] {
        const QString v = m_groupExpression->text();
        edit(u"Group by"_s, [v](ReportObject &o) { o.groupExpression = v; });
    });
    connect(m_condition, &QLineEdit::editingFinished, this, [this] {
        const QString v = m_condition->text();
        edit(u"Print condition"_s, [v](ReportObject &o) { o.printCondition = v; });
    });
    connect(m_shapeKind, &QComboBox::currentIndexChanged, this, [this](int i) {
        edit(u"Shape"_s, [i](ReportObject &o) { o.shapeKind = static_cast<ShapeKind>(i); });
    });
    connect(m_penWidth, &QDoubleSpinBox::valueChanged, this,
            [this](double v) { edit(u"Pen width"_s, [v](ReportObject &o) { o.penWidth = v; }); });
    connect(m_penStyle, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i < 0)
            return;
        const Qt::PenStyle s = penStyles[i];
        edit(u"Pen style"_s, [s](ReportObject &o) { o.penStyle = s; });
    });
    connect(m_radius, &QDoubleSpinBox::valueChanged, this,
            [this](double v) { edit(u"Corner radius"_s, [v](ReportObject &o) { o.cornerRadius = v; }); });
    connect(load, &QPushButton::clicked, this, &PropertyPanel::loadPictureRequested);
    for (QDoubleSpinBox *box : {m_paperW, m_paperH, m_marginL, m_marginT, m_marginR, m_marginB})
        connect(box, &QDoubleSpinBox::valueChanged, this, &PropertyPanel::emitPage);
    connect(turn, &QPushButton::clicked, this, [this] {
        if (m_loading)
            return;
        emit pageEdited(m_page.paperSize.transposed(), m_page.margins);
    });

    showPage(ReportPage());
}

QGroupBox *PropertyPanel::group(const QString &title, const QString &name, QFormLayout **form)
{
    auto *box = new QGroupBox(title, this);
    box->setObjectName(name);
    *form = new QFormLayout(box);
    (*form)->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return box;
}

void PropertyPanel::addRow(QFormLayout *form, const QString &label, QWidget *field)
{
    auto *l = new QLabel(label, this);
    l->setBuddy(field);
    form->addRow(l, field);
}

QDoubleSpinBox *PropertyPanel::lengthBox(const QString &name)
{
    auto *box = new QDoubleSpinBox(this);
    box->setObjectName(name);
    box->setRange(0, 5000);
    box->setDecimals(2);
    box->setSingleStep(1.0);
    box->setKeyboardTracking(false);
    return box;
}

QToolButton *PropertyPanel::colorButton(const QString &name, const QString &hint, ColorSetter apply,
                                        bool allowNone)
{
    auto *b = new QToolButton(this);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setIconSize(QSize(36, 14));
    connect(b, &QToolButton::clicked, this, [this, b, apply] {
        const QColor c = m_services.chooseColor(this, QColor());
        if (!c.isValid())
            return;
        setSwatch(b, c);
        edit(u"Colour"_s, [apply, c](ReportObject &o) { apply(o, c); });
    });
    if (allowNone) {
        // The menu's "None" takes the fill away.
        auto *menu = new QMenu(b);
        QAction *none = menu->addAction(engineText(u"[MOT_NESSUNO]"_s, u"None"_s));
        none->setObjectName(name + u"None"_s);
        b->setMenu(menu);
        b->setPopupMode(QToolButton::MenuButtonPopup);
        connect(none, &QAction::triggered, this, [this, b, apply] {
            setSwatch(b, QColor());
            edit(u"Colour"_s, [apply](ReportObject &o) { apply(o, QColor()); });
        });
    }
    return b;
}

void PropertyPanel::setSwatch(QToolButton *button, const QColor &color)
{
    QPixmap swatch(36, 14);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    p.setPen(Qt::gray);
    if (color.isValid()) {
        p.setBrush(color);
        p.drawRect(0, 0, 35, 13);
    } else {
        p.setBrush(Qt::white);
        p.drawRect(0, 0, 35, 13);
        p.setPen(Qt::red);
        p.drawLine(1, 12, 34, 1);
    }
    p.end();
    button->setIcon(QIcon(swatch));
}

void PropertyPanel::edit(const QString &label, std::function<void(ReportObject &)> change)
{
    if (m_loading)
        return;
    change(m_shown);
    emit objectEdited(change, label);
}

void PropertyPanel::emitPage()
{
    if (m_loading)
        return;
    m_page.paperSize = QSizeF(m_paperW->value(), m_paperH->value());
    m_page.margins =
        QMarginsF(m_marginL->value(), m_marginT->value(), m_marginR->value(), m_marginB->value());
    emit pageEdited(m_page.paperSize, m_page.margins);
}

void PropertyPanel::setDatasetNames(const QStringList &names)
{
    const QSignalBlocker block(m_dataset);
    m_dataset->clear();
    m_dataset->addItem(QString());
    m_dataset->addItems(names);
}

void PropertyPanel::showObject(const ReportObject &o, int count)
{
    m_loading = true;
    m_shown = o;
    m_objectGroup->setVisible(true);
    m_pageGroup->setVisible(false);
    m_objectGroup->setTitle(count > 1 ? engineText(u"[MOT_N_OGGETTI]"_s, u"%1 objects"_s).arg(count)
                                      : objectKindLabel(o.kind));
    m_name->setText(o.name);
    m_name->setEnabled(count == 1);
    for (QDoubleSpinBox *b : {m_x, m_y, m_w, m_h})
        b->setEnabled(count == 1);
    m_x->setValue(o.rect.x());
    m_y->setValue(o.rect.y());
    m_w->setValue(o.rect.width());
    m_h->setValue(o.rect.height());

    m_textGroup->setVisible(o.kind == ObjectKind::Text);
    m_font->setCurrentFont(QFont(o.fontFamily));
    m_size->setValue(o.fontSize);
    m_bold->setChecked(o.bold);
    m_italic->setChecked(o.italic);
    m_underline->setChecked(o.underline);
    m_hAlign->setCurrentIndex(int(o.hAlign));
    m_vAlign->setCurrentIndex(int(o.vAlign));
    m_fit->setCurrentIndex(int(o.fit));
    m_wrap->setChecked(o.wordWrap);
    m_stretch->setChecked(o.stretch);
    m_frameLeft->setChecked(o.frame.left);
    m_frameTop->setChecked(o.frame.top);
    m_frameRight->setChecked(o.frame.right);
    m_frameBottom->setChecked(o.frame.bottom);
    m_frameWidth->setValue(o.frameWidth);
    setSwatch(m_frameColor, o.frameColor);
    setSwatch(m_textColor, o.textColor);
    setSwatch(m_fillColor, o.fillColor);
    m_format->setText(o.format);

    m_bandGroup->setVisible(o.kind == ObjectKind::Band);
    for (int i = 0; i < int(std::size(bandTypes)); ++i) {
        if (bandTypes[i] == o.bandType)
            m_bandType->setCurrentIndex(i);
    }
    m_dataset->setCurrentText(o.dataset);
    m_groupExpression->setText(o.groupExpression);
    m_condition->setText(o.printCondition);
    m_currentRow->setChecked(o.currentRowOnly);
    m_repeat->setChecked(o.repeatOnNewPage);
    m_firstPage->setChecked(o.printOnFirstPage);

    m_shapeGroup->setVisible(o.kind == ObjectKind::Shape || o.kind == ObjectKind::Line);
    m_shapeKind->setEnabled(o.kind == ObjectKind::Shape);
    m_shapeKind->setCurrentIndex(int(o.shapeKind));
    m_penWidth->setValue(o.penWidth);
    for (int i = 0; i < int(std::size(penStyles)); ++i) {
        if (penStyles[i] == o.penStyle)
            m_penStyle->setCurrentIndex(i);
    }
    setSwatch(m_penColor, o.penColor);
    setSwatch(m_brushColor, o.brushColor);
    m_radius->setValue(o.cornerRadius);

    m_pictureGroup->setVisible(o.kind == ObjectKind::Picture);
    m_keepAspect->setChecked(o.keepAspect);
    m_loading = false;
}

void PropertyPanel::showPage(const ReportPage &page)
{
    m_loading = true;
    m_page = page;
    m_page.objects.clear();
    for (QGroupBox *g : {m_objectGroup, m_textGroup, m_bandGroup, m_shapeGroup, m_pictureGroup})
        g->setVisible(false);
    m_pageGroup->setVisible(true);
    m_paperW->setValue(page.paperSize.width());
    m_paperH->setValue(page.paperSize.height());
    m_marginL->setValue(page.margins.left());
    m_marginT->setValue(page.margins.top());
    m_marginR->setValue(page.margins.right());
    m_marginB->setValue(page.margins.bottom());
    m_loading = false;
}

} // namespace vinary::report
