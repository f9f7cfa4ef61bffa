#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

namespace vinary {

class DataGrid;
class PrivateProfile;
class TfrmInOut;
class TfrmVinary;

// The window placement store: position, size and show state of the main window (section "MAIN"),
// the catalogue (section "SCHEDA") and the movements window (section "INOUT"), and the column
// order and widths of the catalogue's grid, all kept in the private-profile file "./form.ini" of
// the current directory. The file is read at every showing and written at every closing; nothing
// is kept in memory in between.
//
// Keys of a window's section, in the encoding used on X11 and Wayland:
//   FormVersion=0
//   Flags=0, or 2 when the window is minimised and goes back to maximised
//   ShowCmd=1 normal, 2 minimised (also the main window while the application is minimised), 3 maximised
//   PixelsPerInch=the screen's effective pixel density (logical DPI x device pixel ratio)
//   MinMaxPos=-1,-1,-1,-1 (the window system places minimised and maximised windows itself)
//   NormPos=left,top,right,bottom of the window's normal geometry (client area; right = left + width)
//   Visible=1 when written as the program ends with the window open, else 0
// The grid's section is the window's section, "\", the window's class name and the grid's object
// name ("SCHEDA\TfrmVinaryschedeGrid"), with one key per column, in column order:
//   schedeGrid.<field>=<position from 0>,<width in pixels>
//
// Errors while the file is read or written go to the error box (widgets/guard.h); the window is
// shown or closed regardless. A file with garbage, huge values or a position off every screen still
// opens the window on a screen.
//
// Use, for a window w of section s:
//   before w becomes visible:  store.restore(w, s, kind)   (the main window: check the result)
//   when w is about to close:  store.save(w, s)
//   as the program ends with w still open and nothing saved since it was shown:
//                              store.save(w, s, WindowPlacement::StillOpen)
class WindowPlacement
{
public:
    // The main window opens maximised by default and leaves its first position to the window
    // system; the others open at their design size, centred on the screen.
    enum class Kind { Main, Dialog };
    enum Closing { Closed, StillOpen };

    struct Restored {
        bool positionApplied = false;
        // The main window was saved minimised: it is shown normal and the caller then minimises
        // the application (for instance with showMinimized() once shown).
        bool minimizeApplication = false;
    };

    explicit WindowPlacement(QString fileName = defaultFileName());

    static QString defaultFileName() { return QStringLiteral("./form.ini"); }
    const QString &fileName() const { return m_fileName; }

    // Applies the stored placement of a window, and of a grid's columns when grid is given.
    Restored restore(QWidget &window, const QString &section, Kind kind, DataGrid *grid = nullptr) const;
    // Writes the window's section, then the grid's section when grid is given.
    // applicationMinimized: the main window writes ShowCmd 2 while the application is minimised.
    void save(QWidget &window, const QString &section, Closing closing = Closed, const DataGrid *grid = nullptr,
              bool applicationMinimized = false) const;

    // The section of a grid: window section + "\" + window class name + grid name.
    static QString gridSection(const QString &windowSection, const QWidget &window, const QString &gridName);

    // The pixel density a window's screen has; tests put another in.
    std::function<int(const QWidget &)> pixelsPerInch;
    static int screenPixelsPerInch(const QWidget &window);

    // The rectangle a stored normal geometry becomes on screens given by their available areas:
    // the screen it overlaps most (the first one when it overlaps none) takes it, its size cut to
    // that screen and its position moved so that the whole rectangle lies on it. Values may be
    // anything an integer key holds.
    static QRect fitOnScreen(qint64 left, qint64 top, qint64 width, qint64 height, const QList<QRect> &screens);

private:
    Restored apply(const PrivateProfile &profile, QWidget &window, const QString &section, Kind kind) const;
    static void applyGrid(const PrivateProfile &profile, DataGrid &grid, const QString &section);
    void write(PrivateProfile &profile, QWidget &window, const QString &section, Closing closing,
               bool applicationMinimized) const;
    static void writeGrid(PrivateProfile &profile, const DataGrid &grid, const QString &section);

    QString m_fileName;
};

// Ties the catalogue window to a copy of the store: section "SCHEDA" and its grid, restored before
// every showing and saved at every closing (the copy lets the window outlive the caller's store).
void attachPlacement(TfrmVinary &catalogue, const WindowPlacement &store);
// Ties the movements window to a copy of the store the same way: section "INOUT", no grid.
void attachPlacement(TfrmInOut &movements, const WindowPlacement &store);

} // namespace vinary
