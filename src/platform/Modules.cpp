#include "platform/Modules.h"
