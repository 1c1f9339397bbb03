#include "Page.h"

#include "../console/Host.h"
