#include "qt/x11frame.h"

#include <QWidget>

#if defined(DRALEN_HAVE_XCB) && QT_CONFIG(xcb)
#include <QGuiApplication>
#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

// Motif window-manager hints: which frame parts and functions the window
// asks for. Qt always asks for a resize border on a titled window.
constexpr uint32_t motifHintsFunctions = 1, motifHintsDecorations = 2;
constexpr uint32_t motifFunctionAll = 1, motifFunctionResize = 2;
constexpr uint32_t motifDecorationAll = 1, motifDecorationResizeHandles = 4;

}  // namespace

// The window has a fixed size and no maximise box, so it asks for no resize
// border either: the resize bits are taken out of the hints Qt wrote.
void askForNoResizeBorder(QWidget& window)
{
    // Other platforms (offscreen, Wayland) have no such hints.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return;
    const xcb_window_t handle = static_cast<xcb_window_t>(window.winId());
    const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atomReply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (atomReply == nullptr)
        return;
    const xcb_atom_t atom = atomReply->atom;
    std::free(atomReply);

    // flags, functions, decorations, input mode, status
    std::array<uint32_t, 5> hints{};
    xcb_get_property_reply_t* current =
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, handle, atom, atom, 0, 5), nullptr);
    if (current != nullptr) {
        if (current->format == 32 && xcb_get_property_value_length(current) >= int(sizeof hints))
            std::memcpy(hints.data(), xcb_get_property_value(current), sizeof hints);
        std::free(current);
    }
    if ((hints[0] & motifHintsFunctions) == 0) {
        hints[0] |= motifHintsFunctions;
        hints[1] = motifFunctionAll;
    }
    if ((hints[0] & motifHintsDecorations) == 0) {
        hints[0] |= motifHintsDecorations;
        hints[2] = motifDecorationAll;
    }
    // With the "all" bit set, the bits that follow name what is left out.
    if (hints[1] & motifFunctionAll)
        hints[1] |= motifFunctionResize;
    else
        hints[1] &= ~motifFunctionResize;
    if (hints[2] & motifDecorationAll)
        hints[2] |= motifDecorationResizeHandles;
    else
        hints[2] &= ~motifDecorationResizeHandles;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, handle, atom, atom, 32, hints.size(), hints.data());
    xcb_flush(connection);
}
#else
void askForNoResizeBorder(QWidget&)
{
    // Elsewhere the fixed-size window flags already leave the border out.
}
#endif
