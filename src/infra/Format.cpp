#include "infra/Format.h"
