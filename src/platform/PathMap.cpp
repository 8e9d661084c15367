#include "platform/PathMap.h"
