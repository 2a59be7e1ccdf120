// The window manager's frame of the main window on X11.
#pragma once

class QWidget;

// The window has a fixed size and no maximise box, so it asks for no resize
// border either. Call once the native window exists, before it is mapped.
void askForNoResizeBorder(QWidget& window);
