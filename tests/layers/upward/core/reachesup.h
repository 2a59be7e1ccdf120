// A core header that reaches up: the layer check must refuse it.
#pragma once

#include "qt/mainwindow.h"
