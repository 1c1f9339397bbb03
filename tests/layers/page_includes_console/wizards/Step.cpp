#include <Host.h>
