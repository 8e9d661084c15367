#include "platform/Beep.h"
