#pragma once
// Downward and within the folder: allowed.
#include "gateway/Probe.h"
#include "platform/Cp1252.h"
