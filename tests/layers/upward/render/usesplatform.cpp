// Draws through the platform itself: refused below the front ends.
#include <windows.h>
