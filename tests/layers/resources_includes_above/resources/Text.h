#pragma once

#include <MainForm.h>
