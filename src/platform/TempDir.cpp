#include "platform/TempDir.h"
