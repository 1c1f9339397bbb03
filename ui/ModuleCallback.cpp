#include "ModuleCallback.h"

TModuleCallback* g_ModuleCallback = nullptr;
