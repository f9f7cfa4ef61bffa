#include "language/qtcatalogue.h"

#include "language/languagetable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

namespace vinary
{

namespace
{

std::unique_ptr<QTranslator> &installedCatalogue()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

QString qtCatalogueLanguage(const LanguageTable &table)
{
    // Only the file's own line counts: the English fallback must not hide a file that names none.
    const QString iso = table.lookup(u"[LINGUA_ISO]"_s).trimmed();
    if (iso.isEmpty())
        return QLocale::system().name();
    static const QRegularExpression code(u"^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8})?$"_s);
    if (!code.match(iso).hasMatch())
        return QString();
    const QLocale locale(iso);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return QString();
    return locale.name();
}

bool installQtCatalogue(const QString &language)
{
    std::unique_ptr<QTranslator> &installed = installedCatalogue();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language.isEmpty())
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(language), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = std::move(translator);
    return true;
}

} // namespace vinary
