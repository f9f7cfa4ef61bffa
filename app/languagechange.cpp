#include "app/languagechange.h"

#include "data/messagebox.h"
#include "language/languagetable.h"
#include "language/qtcatalogue.h"
#include "widgets/filedialog.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace vinary {

QStringList languageFileFilters()
{
    // Fixed texts: the dialog is the way out of a language the user cannot read.
    return {u"files lng (*.lng)"_s, u"all files (*)"_s};
}

QString chooseLanguageFile(QWidget *parent, FileDialog &dialog)
{
    return dialog.openFileName(parent, QString(), QDir::currentPath(), languageFileFilters());
}

bool runLanguageChange(QWidget *parent, FileDialog &dialog, LanguageTable &table, const QString &programDir,
                       MessageBox &box)
{
    const QString chosen = chooseLanguageFile(parent, dialog);
    if (chosen.isEmpty())
        return false;
    table.changeLanguage(chosen, programDir);
    // Qt's dialogs opened from now on speak the new language, as the messages do; the windows made
    // before keep their texts until the next start.
    installQtCatalogue(qtCatalogueLanguage(table));
    box.notice(table.traduci(u"   [CARICO_LINGUA]   "_s));
    return true;
}

} // namespace vinary
