#pragma once

#include "widgets/fieldlink.h"

#include <QCheckBox>

namespace vinary {

// A check box bound to a boolean field: ticked when the field is true. A click changes the field
// only while the table is editing; in browse mode the box keeps its state.
class DbCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit DbCheckBox(QWidget *parent = nullptr);
    explicit DbCheckBox(const QString &text, QWidget *parent = nullptr);

    void bind(db::Table *table, const QString &fieldName);
    FieldLink &link() { return m_link; }

protected:
    void nextCheckState() override;

private:
    void refresh();

    FieldLink m_link;
    bool m_writing = false;
};

} // namespace vinary
