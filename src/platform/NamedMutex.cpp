#include "platform/NamedMutex.h"
