#include "Text.h"

#include "Widget.h"
