#include "infra/DateTime.h"
