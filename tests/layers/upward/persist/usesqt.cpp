// The game library must not see Qt.
#include <QString>
