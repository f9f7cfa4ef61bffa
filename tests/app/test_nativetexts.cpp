// Every text a user meets, in each delivered language: the main window started on the language
// file, then every window of its menu, the report preview with its print and export dialogs, the
// layout designer with its text editor, the file dialog of the change of language and the menu of a
// text box, the take-back of a movement, the restore of a dated copy and the import of a spreadsheet. No text
// may show a raw key, and none but the English one may show the English words of the report engine's and Qt's
// own windows.

#include "app/mainform.h"
#include "app/splash.h"
#include "app/startup.h"
#include "engine/report/designerscene.h"
#include "engine/report/report.h"
#include "modalwatch.h"
#include "nosplashwait.h"
#include "programdir.h"
#include "stock/manutefrm.h"
#include "tests/support/recordingerrorbox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGraphicsView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace vinary;
using vinary::testing::closeModal;
using vinary::testing::NoSplashWait;
using vinary::testing::ProgramDir;
using vinary::testing::watchModal;
using vinary::testing::withModal;

namespace
{

const QString kResources = QStringLiteral(VINARY_SOURCE_DIR "/resources/");

// The words of the engine's and Qt's windows that showed in English before they were translated.
const QStringList kEnglishWords = {
    u"Page"_s, u"Print"_s,  u"Close"_s,  u"Zoom"_s,       u"Band"_s,    u"Width"_s,         u"Height"_s,
    u"Font"_s, u"Cancel"_s, u"Open"_s,   u"Save"_s,       u"Look in"_s, u"File name"_s,     u"Undo"_s,
    u"Redo"_s, u"Copy"_s,   u"Paste"_s,  u"Select All"_s, u"Yes"_s,     u"Preview"_s,       u"Picture"_s,
    u"Bold"_s, u"Italic"_s, u"Margin"_s, u"Export"_s,     u"Insert"_s,  u"Files of type"_s,
};

struct Seen {
    QString where;
    QString text;
};

// With VINARY_GRAB_DIR set, each window is also saved there as a picture, to be looked at.
QString g_grabSuffix;

void grab(QWidget *window, const QString &where)
{
    const QString dir = qEnvironmentVariable("VINARY_GRAB_DIR");
    if (dir.isEmpty() || !window->isVisible())
        return;
    QString name = where;
    name.replace(QRegularExpression(u"[^A-Za-z0-9]+"_s), u"-"_s);
    window->grab().save(dir + u'/' + name + u'-' + g_grabSuffix + u".png"_s);
}

// The texts a user reads in a window: captions, labels, buttons, group and tab titles, the items of
// fixed lists, column titles, menu items, hints and placeholders, of shown and hidden parts alike.
// The grid's own menu keeps its fixed English captions and is left out.
void collect(QWidget *root, const QString &where, QList<Seen> &seen)
{
    const auto add = [&](const QString &text) {
        if (!text.trimmed().isEmpty())
            seen.append({where, text});
    };
    if (root->isWindow())
        grab(root, where);
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (w->objectName() == u"gridMenu"_s)
            continue;
        if (w->isWindow())
            add(w->windowTitle());
        add(w->toolTip());
        if (auto *label = qobject_cast<QLabel *>(w))
            add(label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            add(button->text());
        if (auto *group = qobject_cast<QGroupBox *>(w))
            add(group->title());
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            add(edit->placeholderText());
        if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                add(tabs->tabText(i));
                add(tabs->tabToolTip(i));
            }
        }
        if (auto *combo = qobject_cast<QComboBox *>(w); combo && !combo->isEditable()) {
            for (int i = 0; i < combo->count(); ++i)
                add(combo->itemText(i));
        }
        if (auto *view = qobject_cast<QAbstractItemView *>(w); view && view->model()) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                add(view->model()->headerData(c, Qt::Horizontal).toString());
        }
        const QList<QAction *> actions = w->actions();
        for (const QAction *action : actions) {
            add(action->text());
            add(action->toolTip());
        }
    }
}

void collectAndClose(QWidget *window, const QString &where, QList<Seen> &seen)
{
    collect(window, where, seen);
    closeModal(window);
}

// What a user should not see in the language: raw keys, and English words where the language is
// not English.
QStringList faults(const QList<Seen> &seen, const QStringList &englishWords)
{
    static const QRegularExpression rawKey(u"\\[[A-Z0-9_]+\\]"_s);
    const QRegularExpression english(u"\\b(%1)\\b"_s.arg(englishWords.join(u'|')));
    QStringList found;
    for (const Seen &s : seen) {
        QString text = s.text;
        text.remove(u'&');
        if (rawKey.match(text).hasMatch() || (!englishWords.isEmpty() && english.match(text).hasMatch()))
            found.append(u"%1: \"%2\""_s.arg(s.where, s.text));
    }
    found.removeDuplicates();
    return found;
}

} // namespace

class TestNativeTexts : public QObject
{
    Q_OBJECT

private slots:
    void everyWindowSpeaksTheLanguage_data();
    void everyWindowSpeaksTheLanguage();
};

void TestNativeTexts::everyWindowSpeaksTheLanguage_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("oldFile");
    QTest::newRow("english") << u"english.lng"_s << u"en_GB"_s << false;
    QTest::newRow("italiano") << u"italiano.lng"_s << u"it_IT"_s << false;
    QTest::newRow("deutsch") << u"deutsch.lng"_s << u"de_DE"_s << false;
    QTest::newRow("francais") << u"francais.lng"_s << u"fr_FR"_s << false;
    QTest::newRow("espanol") << u"espanol.lng"_s << u"es_ES"_s << false;
    // A language file from before the engine's keys and the language code, lacking a key of the
    // main window too: the English file fills in, nothing shows raw.
    QTest::newRow("old italiano") << u"italiano.lng"_s << u"it_IT"_s << true;
}

void TestNativeTexts::everyWindowSpeaksTheLanguage()
{
    QFETCH(QString, file);
    QFETCH(QString, locale);
    QFETCH(bool, oldFile);
    g_grabSuffix = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');

    ProgramDir dir;
    // Today's load, as the movements window records it, so that it can be taken back.
    const QString today = QDate::currentDate().toString(Qt::ISODate) + u" 00:00:00"_s;
    QVERIFY(dir.createDatabase(
        u"INSERT INTO Schede (Codice, Descrizione, Quantita) VALUES ('B1', 'Barolo', 6);"
        "INSERT INTO Giornale (Causale, Data, Codice, Descrizione, Quantita) VALUES ('C', '%1', 'B1', "
        "'Barolo', 6);"
        "CREATE TABLE Ripristini (Giornale_ID INTEGER PRIMARY KEY, Scheda_ID INTEGER NOT NULL, Quantita "
        "REAL, "
        "Prezzo_Acq REAL, Prezzo_Ven REAL, Ultimo_carico DATETIME, Stornato_da INTEGER);"
        "INSERT INTO Ripristini (Giornale_ID, Scheda_ID, Quantita) VALUES (1, 1, 0);"_s.arg(today)));
    QVERIFY(testing::writeAll(dir.file(u"cantina.csv"_s),
                              "Codice;Descrizione;Prezzo\r\nB2;Soave;7,50\r\nB3;Gavi;sette\r\n"));
    QByteArray language = testing::readAll(kResources + u"language/"_s + file);
    if (oldFile) {
        static const QRegularExpression newer(
            u"^\\[(MOT_[A-Z0-9_]+|LINGUA_ISO|MENU_USCITA)\\]=[^\\r]*\\r\\n"_s,
            QRegularExpression::MultilineOption);
        language = QString::fromUtf8(language).remove(newer).toUtf8();
    }
    QVERIFY(testing::writeAll(dir.file(u"language.ini"_s), language));
    QVERIFY(QFile::copy(kResources + u"language/english.lng"_s, dir.file(u"english.lng"_s)));
    for (const QString &t : QDir(kResources + u"reports"_s).entryList({u"*.frf"_s}))
        QVERIFY(QFile::copy(kResources + u"reports/"_s + t, dir.file(t)));
    QVERIFY(QDir(dir.path()).mkdir(u"archivi"_s));
    QVERIFY(dir.enter());
    const QLocale previousLocale;
    QLocale::setDefault(QLocale(locale));
    RecordingErrorBox errors;
    NoSplashWait noWait;

    Forms &f = createForms();
    TMainForm *main = f.MainForm;
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QList<Seen> seen;
    collect(main, u"main window"_s, seen);
    if (oldFile)
        QCOMPARE(main->Uscita1->text(), u"E&xit"_s);

    const auto open = [&](QAction *item, const QString &where) {
        QVERIFY2(withModal([&] { item->trigger(); }, [&](QWidget *w) { collectAndClose(w, where, seen); }),
                 qPrintable(where));
    };
    QVERIFY(withModal([&] { main->Archivio->trigger(); },
                      [&](QWidget *w) {
                          collect(w, u"catalogue"_s, seen);
                          auto *edit = w->findChild<QLineEdit *>();
                          QVERIFY(edit);
                          std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
                          collect(menu.get(), u"menu of a text box"_s, seen);
                          closeModal(w);
                      }));
    // The movements window with the take-back of today's load.
    QVERIFY(withModal([&] { main->Movimenti->trigger(); },
                      [&](QWidget *w) {
                          collect(w, u"movements"_s, seen);
                          auto *storno = w->findChild<QAbstractButton *>(u"btnStorno"_s);
                          QVERIFY(storno);
                          QVERIFY(withModal([&] { storno->click(); },
                                            [&](QWidget *t) { collectAndClose(t, u"take-back"_s, seen); }));
                          closeModal(w);
                      }));
    // The maintenance window with the restore of a dated copy, and the import of a spreadsheet with
    // its mapping, preview and unreadable row.
    QVERIFY(withModal(
        [&] { main->Manutenzione1->trigger(); },
        [&](QWidget *w) {
            collect(w, u"maintenance"_s, seen);
            auto *restore = w->findChild<QAbstractButton *>(u"btnRipristina"_s);
            auto *import = w->findChild<QAbstractButton *>(u"btnImporta"_s);
            QVERIFY(restore && import);
            QVERIFY(withModal([&] { restore->click(); },
                              [&](QWidget *r) { collectAndClose(r, u"restore"_s, seen); }));
            // The file is chosen as if in the file dialog, whose texts the change of
            // language shows.
            auto *maintenance = qobject_cast<TManutenzioneForm *>(w);
            QVERIFY(maintenance);
            maintenance->setImportFileChooser([&](QWidget *) { return dir.file(u"cantina.csv"_s); });
            QVERIFY(withModal([&] { import->click(); },
                              [&](QWidget *form) { collectAndClose(form, u"import"_s, seen); }));
            closeModal(w);
        }));
    open(main->Informazioni1, u"about box"_s);
    open(main->CambioLingua, u"file dialog of the change of language"_s);

    // A catalogue report: the selection dialog, the preview, the preview's print and export.
    auto previewed = std::make_shared<bool>(false);
    QVERIFY(withModal([&] { main->printItems().first()->trigger(); },
                      [&](QWidget *selection) {
                          collect(selection, u"selection dialog"_s, seen);
                          watchModal(
                              selection,
                              [&](QWidget *preview) {
                                  collect(preview, u"preview"_s, seen);
                                  for (const char *name : {"actPrint", "actExportPdf"}) {
                                      QAction *action =
                                          preview->findChild<QAction *>(QLatin1StringView(name));
                                      QVERIFY(action);
                                      QVERIFY(withModal([&] { action->trigger(); },
                                                        [&](QWidget *w) {
                                                            collectAndClose(w, QLatin1StringView(name), seen);
                                                        }));
                                  }
                                  closeModal(preview);
                              },
                              previewed);
                          selection->findChild<QAbstractButton *>(u"BitBtn1"_s)->click();
                      }));
    QVERIFY(*previewed);

    // The designer on that report's template, and its text editor on the first text object.
    QVERIFY(withModal([&] { main->Personalizzazionestampe1->trigger(); },
                      [&](QWidget *designer) {
                          collect(designer, u"designer"_s, seen);
                          auto *view = designer->findChild<QGraphicsView *>(u"designerView"_s);
                          auto *scene = view ? qobject_cast<report::DesignerScene *>(view->scene()) : nullptr;
                          QVERIFY(scene);
                          const report::ReportPage &page = main->frReport1().reportTemplate().page(0);
                          for (int i = 0; i < page.objectCount(); ++i) {
                              if (page.object(i).kind == report::ObjectKind::Text) {
                                  scene->selectIndices({i});
                                  grab(designer, u"designer with a text"_s);
                                  break;
                              }
                          }
                          auto *editText = designer->findChild<QAbstractButton *>(u"propEditText"_s);
                          QVERIFY(withModal([&] { editText->click(); },
                                            [&](QWidget *w) { collectAndClose(w, u"text editor"_s, seen); }));
                          closeModal(designer);
                      }));

    // Qt's own boxes as the engine shows them: a question, and the print dialog, which the preview
    // opens only where a printer is installed.
    QMessageBox question(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    collect(&question, u"question box"_s, seen);
    QPrinter printer;
    QPrintDialog printDialog(&printer);
    collect(&printDialog, u"print dialog"_s, seen);

    QCOMPARE(errors.messages(), QStringList());
    main->close();
    releaseForms();
    QLocale::setDefault(previousLocale);

    QStringList englishWords;
    if (file != u"english.lng"_s && !oldFile) {
        englishWords = kEnglishWords;
        if (file == u"francais.lng"_s)
            englishWords.removeAll(u"Page"_s); // a French word as well
    }
    const QStringList found = faults(seen, englishWords);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    QVERIFY2(seen.size() > 300, qPrintable(u"only %1 texts seen"_s.arg(seen.size())));
}

QTEST_MAIN(TestNativeTexts)
#include "test_nativetexts.moc"
