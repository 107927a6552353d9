// The fixed results of the modes that are not built yet, so that the mode chosen at start-up
// can be told from the exit code. Each goes away when its mode returns real results.
#pragma once

constexpr int MODE_RESULT_SETTINGS = 10;
