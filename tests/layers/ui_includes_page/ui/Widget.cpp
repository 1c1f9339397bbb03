#include "Widget.h"
#include "Page.h"
