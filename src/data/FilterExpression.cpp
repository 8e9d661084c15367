#include "data/FilterExpression.h"
