#pragma once
// How the station-network dialogs produce their reports without knowing the report runners.
#include <functional>

#include "kvtreports/Variant.h"

namespace kvt::dialogs {

// Asks the console for the form's report with these parameters and shows it in the viewer;
// given by the runner, so that the forms stay below the report runners. Throws what the
// request throws.
using RequestReport = std::function<void(const Variant& params)>;

}  // namespace kvt::dialogs
