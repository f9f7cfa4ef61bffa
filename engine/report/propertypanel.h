#pragma once

#include "engine/report/reportmodel.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;
class QToolButton;

namespace vinary::report
{

class UiServices;

// The designer's property panel: shows the selected object's properties (or the page's, when
// nothing is selected) and reports each edit as a change to apply to the selected objects.
class PropertyPanel : public QWidget
{
    Q_OBJECT
public:
    PropertyPanel(UiServices &services, QWidget *parent = nullptr);

    void setDatasetNames(const QStringList &names);
    // Shows an object; `count` objects are selected, so geometry is editable only when it is 1.
    void showObject(const ReportObject &object, int count);
    void showPage(const ReportPage &page);

signals:
    // Apply this change to every selected object.
    void objectEdited(const std::function<void(ReportObject &)> &change, const QString &label);
    void pageEdited(const QSizeF &paper, const QMarginsF &margins);
    void editTextRequested();
    void loadPictureRequested();

private:
    QDoubleSpinBox *lengthBox(const QString &name);
    QGroupBox *group(const QString &title, const QString &name, QFormLayout **form);
    void addRow(QFormLayout *form, const QString &label, QWidget *field);
    void edit(const QString &label, std::function<void(ReportObject &)> change);
    void emitPage();
    using ColorSetter = std::function<void(ReportObject &, const QColor &)>;
    QToolButton *colorButton(const QString &name, const QString &hint, ColorSetter apply, bool allowNone);
    void setSwatch(QToolButton *button, const QColor &color);

    UiServices &m_services;
    bool m_loading = false;
    ReportObject m_shown;
    ReportPage m_page;

    QGroupBox *m_objectGroup = nullptr;
    QLineEdit *m_name = nullptr;
    QDoubleSpinBox *m_x = nullptr;
    QDoubleSpinBox *m_y = nullptr;
    QDoubleSpinBox *m_w = nullptr;
    QDoubleSpinBox *m_h = nullptr;

    QGroupBox *m_textGroup = nullptr;
    QFontComboBox *m_font = nullptr;
    QDoubleSpinBox *m_size = nullptr;
    QCheckBox *m_bold = nullptr;
    QCheckBox *m_italic = nullptr;
    QCheckBox *m_underline = nullptr;
    QComboBox *m_hAlign = nullptr;
    QComboBox *m_vAlign = nullptr;
    QComboBox *m_fit = nullptr;
    QCheckBox *m_wrap = nullptr;
    QCheckBox *m_stretch = nullptr;
    QCheckBox *m_frameLeft = nullptr;
    QCheckBox *m_frameTop = nullptr;
    QCheckBox *m_frameRight = nullptr;
    QCheckBox *m_frameBottom = nullptr;
    QDoubleSpinBox *m_frameWidth = nullptr;
    QToolButton *m_frameColor = nullptr;
    QToolButton *m_textColor = nullptr;
    QToolButton *m_fillColor = nullptr;
    QLineEdit *m_format = nullptr;

    QGroupBox *m_bandGroup = nullptr;
    QComboBox *m_bandType = nullptr;
    QComboBox *m_dataset = nullptr;
    QLineEdit *m_groupExpression = nullptr;
    QLineEdit *m_condition = nullptr;
    QCheckBox *m_currentRow = nullptr;
    QCheckBox *m_repeat = nullptr;
    QCheckBox *m_firstPage = nullptr;

    QGroupBox *m_shapeGroup = nullptr;
    QComboBox *m_shapeKind = nullptr;
    QDoubleSpinBox *m_penWidth = nullptr;
    QComboBox *m_penStyle = nullptr;
    QToolButton *m_penColor = nullptr;
    QToolButton *m_brushColor = nullptr;
    QDoubleSpinBox *m_radius = nullptr;

    QGroupBox *m_pictureGroup = nullptr;
    QCheckBox *m_keepAspect = nullptr;

    QGroupBox *m_pageGroup = nullptr;
    QDoubleSpinBox *m_paperW = nullptr;
    QDoubleSpinBox *m_paperH = nullptr;
    QDoubleSpinBox *m_marginL = nullptr;
    QDoubleSpinBox *m_marginT = nullptr;
    QDoubleSpinBox *m_marginR = nullptr;
    QDoubleSpinBox *m_marginB = nullptr;
};

} // namespace vinary::report
