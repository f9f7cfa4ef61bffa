#pragma once

#include "data/cardimport.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace vinary
{

class Cellar;

// The import of wine cards from a CSV file: the mapping of the file's columns to card fields, a
// preview of the first rows as they will be stored, the rows that cannot be read and the texts
// that will be cut; then the good rows are imported in one transaction, with a progress bar whose
// Cancel leaves the cellar unchanged.
class TImportForm : public QDialog
{
    Q_OBJECT
public:
    using PlainMessage = std::function<void(QWidget *parent, const QString &text)>;
    // The file must have been loaded into import.
    TImportForm(Cellar &cellar, CardImport &import, PlainMessage message, QWidget *parent = nullptr);

    // Imports the good rows; answers whether they were written.
    bool btnImportaClick();

    QTableWidget *mappingTable() const { return m_mappingTable; }
    QTableWidget *preview() const { return m_preview; }
    QListWidget *badRows() const { return m_bad; }
    QComboBox *mappingBox(int csvColumn) const;
    QCheckBox *matchBox() const { return m_match; }

    static constexpr int kPreviewRows = 20;

private:
    void buildControls();
    void translate();
    void fillMapping();
    void refresh();

    Cellar &m_cellar;
    CardImport &m_import;
    PlainMessage m_message;
    QLabel *m_labelMapping = nullptr;
    QLabel *m_labelPreview = nullptr;
    QLabel *m_labelBad = nullptr;
    QLabel *m_labelCut = nullptr;
    QTableWidget *m_mappingTable = nullptr;
    QTableWidget *m_preview = nullptr;
    QListWidget *m_bad = nullptr;
    QListWidget *m_cut = nullptr;
    QCheckBox *m_match = nullptr;
    QPushButton *btnImporta = nullptr;
    QPushButton *btnNulla = nullptr;
    bool m_filling = false;
};

} // namespace vinary
