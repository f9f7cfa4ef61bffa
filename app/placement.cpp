#include "app/placement.h"

#include "app/privateprofile.h"
#include "catalogue/vinaryfrm.h"
#include "stock/movimentifrm.h"
#include "widgets/datagrid.h"
#include "widgets/guard.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QWidget>

namespace vinary {

namespace {

const QString kFormVersion = QStringLiteral("FormVersion");
const QString kFlags = QStringLiteral("Flags");
const QString kShowCmd = QStringLiteral("ShowCmd");
const QString kPixelsPerInch = QStringLiteral("PixelsPerInch");
const QString kMinMaxPos = QStringLiteral("MinMaxPos");
const QString kNormPos = QStringLiteral("NormPos");
const QString kVisible = QStringLiteral("Visible");

// The window-placement codes the keys carry.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
constexpr int kRestoreToMaximized = 2;

QList<QRect> availableScreens()
{
    QList<QRect> out;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        out << primary->availableGeometry();
    for (QScreen *s : QGuiApplication::screens()) {
        if (s != QGuiApplication::primaryScreen())
            out << s->availableGeometry();
    }
    return out;
}

qint64 overlap(qint64 a0, qint64 a1, qint64 b0, qint64 b1)
{
    return std::max<qint64>(0, std::min(a1, b1) - std::max(a0, b0));
}

QRect currentNormalGeometry(const QWidget &window)
{
    const QRect normal = window.normalGeometry();
    return normal.isValid() ? normal : window.geometry();
}

bool isResizable(const QWidget &window)
{
    return window.minimumSize() != window.maximumSize();
}

// The size a window takes once its layout has had its say.
QSize effectiveSize(const QWidget &window, QSize size)
{
    const QSize minimum = window.minimumSize().expandedTo(window.minimumSizeHint());
    return size.expandedTo(minimum).boundedTo(window.maximumSize());
}

// The window frame around the client area, as far as the window system tells it before the window
// is shown (some tell it only once the window is on screen).
QMargins frameMargins(QWidget &window)
{
    if (!window.windowHandle())
        window.winId();
    const QWindow *handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

QString className(const QWidget &window)
{
    QString name = QString::fromLatin1(window.metaObject()->className());
    const qsizetype colons = name.lastIndexOf(QStringLiteral("::"));
    return colons >= 0 ? name.mid(colons + 2) : name;
}

} // namespace

namespace {

// Puts a window's client area at a stored rectangle, at a size its layout allows, with the whole
// frame on a screen.
void place(QWidget &window, qint64 left, qint64 top, qint64 width, qint64 height,
           const QList<QRect> &screens = availableScreens())
{
    constexpr qint64 kLimit = 1 << 24;
    const QSize minimum = effectiveSize(window, QSize(1, 1));
    width = std::clamp<qint64>(width, minimum.width(), std::max(minimum.width(), window.maximumWidth()));
    height = std::clamp<qint64>(height, minimum.height(), std::max(minimum.height(), window.maximumHeight()));
    const QMargins m = frameMargins(window);
    const QRect frame = WindowPlacement::fitOnScreen(std::clamp(left, -kLimit, kLimit) - m.left(),
                                                     std::clamp(top, -kLimit, kLimit) - m.top(),
                                                     std::min(width, kLimit) + m.left() + m.right(),
                                                     std::min(height, kLimit) + m.top() + m.bottom(), screens);
    window.setGeometry(frame.marginsRemoved(m));
}

} // namespace

WindowPlacement::WindowPlacement(QString fileName)
    : pixelsPerInch(&WindowPlacement::screenPixelsPerInch), m_fileName(std::move(fileName))
{
}

int WindowPlacement::screenPixelsPerInch(const QWidget &window)
{
    QScreen *screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96;
    return qRound(screen->logicalDotsPerInch() * screen->devicePixelRatio());
}

QString WindowPlacement::gridSection(const QString &windowSection, const QWidget &window, const QString &gridName)
{
    return windowSection + u'\\' + className(window) + gridName;
}

QRect WindowPlacement::fitOnScreen(qint64 left, qint64 top, qint64 width, qint64 height, const QList<QRect> &screens)
{
    // Integer keys may hold anything: keep the arithmetic far from overflow.
    constexpr qint64 kLimit = 1 << 24;
    left = std::clamp(left, -kLimit, kLimit);
    top = std::clamp(top, -kLimit, kLimit);
    width = std::clamp<qint64>(width, 1, kLimit);
    height = std::clamp<qint64>(height, 1, kLimit);
    if (screens.isEmpty())
        return QRect(int(left), int(top), int(std::min<qint64>(width, 4096)), int(std::min<qint64>(height, 4096)));

    QRect target = screens.first();
    qint64 best = 0;
    for (const QRect &s : screens) {
        const qint64 area = overlap(left, left + width, s.left(), qint64(s.left()) + s.width()) *
                            overlap(top, top + height, s.top(), qint64(s.top()) + s.height());
        if (area > best) {
            best = area;
            target = s;
        }
    }
    width = std::min<qint64>(width, target.width());
    height = std::min<qint64>(height, target.height());
    left = std::clamp<qint64>(left, target.left(), qint64(target.left()) + target.width() - width);
    top = std::clamp<qint64>(top, target.top(), qint64(target.top()) + target.height() - height);
    return QRect(int(left), int(top), int(width), int(height));
}

WindowPlacement::Restored WindowPlacement::restore(QWidget &window, const QString &section, Kind kind,
                                                   DataGrid *grid) const
{
    PrivateProfile profile(m_fileName);
    if (!guarded(&window, [&] { profile.load(); }))
        profile = PrivateProfile(m_fileName); // an unreadable file: the design placement
    Restored restored;
    guarded(&window, [&] {
        restored = apply(profile, window, section, kind);
        if (grid)
            applyGrid(profile, *grid, gridSection(section, window, grid->objectName()));
    });
    return restored;
}

WindowPlacement::Restored WindowPlacement::apply(const PrivateProfile &profile, QWidget &window,
                                                 const QString &section, Kind kind) const
{
    Restored restored;
    const bool usable = profile.readInteger(section, kFormVersion, 0) >= 0;

    const int currentPpi = pixelsPerInch(window);
    const bool stored = profile.contains(section, kMinMaxPos) || profile.contains(section, kNormPos);
    if (usable && stored && profile.readInteger(section, kPixelsPerInch, currentPpi) == currentPpi) {
        const QRect current = currentNormalGeometry(window);
        const QList<std::optional<int>> norm = profile.readIntegerList(section, kNormPos);
        auto part = [&norm](int i, qint64 fallback) -> qint64 {
            return i < norm.size() && norm.at(i) ? qint64(*norm.at(i)) : fallback;
        };
        const qint64 left = part(0, current.left());
        const qint64 top = part(1, current.top());
        const qint64 right = part(2, qint64(current.left()) + current.width());
        const qint64 bottom = part(3, qint64(current.top()) + current.height());
        if (left < right) {
            if (isResizable(window))
                place(window, left, top, right - left, bottom - top);
            else
                place(window, left, top, current.width(), current.height());
            restored.positionApplied = true;
        }
    }
    if (!restored.positionApplied && kind == Kind::Dialog) {
        QScreen *screen = window.parentWidget() ? window.parentWidget()->screen() : nullptr;
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            const QSize size = effectiveSize(window, currentNormalGeometry(window).size());
            place(window, area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(),
                  size.height(), {area});
        }
    }

    Qt::WindowStates state = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    switch (usable ? profile.readInteger(section, kShowCmd, 0) : 0) {
    case 1:
    case 5:
    case 9:
        break;
    case 2:
    case 6:
    case 7:
        // A minimised main window comes back normal, and the application is minimised instead.
        // The other windows have no minimise box: a modal window opened minimised would leave the
        // program looking frozen, so they come back normal.
        restored.minimizeApplication = kind == Kind::Main;
        break;
    case 3:
        state |= Qt::WindowMaximized;
        break;
    default:
        if (kind == Kind::Main)
            state |= Qt::WindowMaximized;
        break;
    }
    window.setWindowState(state);
    return restored;
}

void WindowPlacement::applyGrid(const PrivateProfile &profile, DataGrid &grid, const QString &section)
{
    const QString prefix = grid.objectName() + u'.';
    QList<DataGrid::ColumnPlacement> placements;
    for (const QString &key : profile.keys(section)) {
        if (!key.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QList<std::optional<int>> parts = profile.readIntegerList(section, key);
        if (parts.size() < 2 || !parts.at(0) || !parts.at(1) || *parts.at(0) < 0)
            continue;
        placements.append({key.mid(prefix.size()), *parts.at(0), std::max(0, *parts.at(1))});
    }
    grid.restoreColumnPlacements(placements);
}

void WindowPlacement::save(QWidget &window, const QString &section, Closing closing, const DataGrid *grid,
                           bool applicationMinimized) const
{
    guarded(&window, [&] {
        PrivateProfile profile(m_fileName);
        profile.load();
        write(profile, window, section, closing, applicationMinimized);
        if (grid)
            writeGrid(profile, *grid, gridSection(section, window, grid->objectName()));
        profile.save();
    });
}

void WindowPlacement::write(PrivateProfile &profile, QWidget &window, const QString &section, Closing closing,
                            bool applicationMinimized) const
{
    const Qt::WindowStates state = window.windowState();
    const bool minimized = state.testFlag(Qt::WindowMinimized) || applicationMinimized;
    int showCmd = kShowNormal;
    if (minimized)
        showCmd = kShowMinimized;
    else if (state.testFlag(Qt::WindowMaximized) || state.testFlag(Qt::WindowFullScreen))
        showCmd = kShowMaximized;
    const QRect normal = currentNormalGeometry(window);

    profile.writeInteger(section, kFormVersion, 0);
    profile.writeInteger(section, kFlags, minimized && state.testFlag(Qt::WindowMaximized) ? kRestoreToMaximized : 0);
    profile.writeInteger(section, kShowCmd, showCmd);
    profile.writeInteger(section, kPixelsPerInch, pixelsPerInch(window));
    profile.writeIntegerList(section, kMinMaxPos, {-1, -1, -1, -1});
    profile.writeIntegerList(section, kNormPos,
                             {normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()});
    profile.writeInteger(section, kVisible, closing == StillOpen ? 1 : 0);
}

void WindowPlacement::writeGrid(PrivateProfile &profile, const DataGrid &grid, const QString &section)
{
    profile.eraseSection(section);
    for (const DataGrid::ColumnPlacement &p : grid.columnPlacements())
        profile.writeIntegerList(section, grid.objectName() + u'.' + p.field, {p.position, p.width});
}

void attachPlacement(TfrmVinary &catalogue, const WindowPlacement &store)
{
    const QString section = QStringLiteral("SCHEDA");
    catalogue.setPlacementHooks(
        [store, section](TfrmVinary &w) { store.restore(w, section, WindowPlacement::Kind::Dialog, w.grid()); },
        [store, section](TfrmVinary &w, bool stillOpen) {
            store.save(w, section, stillOpen ? WindowPlacement::StillOpen : WindowPlacement::Closed, w.grid());
        });
}

void attachPlacement(TfrmInOut &movements, const WindowPlacement &store)
{
    const QString section = QStringLiteral("INOUT");
    movements.setPlacementHooks(
        [store, section](TfrmInOut &w) { store.restore(w, section, WindowPlacement::Kind::Dialog); },
        [store, section](TfrmInOut &w, bool stillOpen) {
            store.save(w, section, stillOpen ? WindowPlacement::StillOpen : WindowPlacement::Closed);
        });
}

} // namespace vinary
