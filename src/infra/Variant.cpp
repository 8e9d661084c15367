#include "kvtreports/Variant.h"
