#pragma once

#include <Log.h>
