#pragma once
// A header of gateway that reaches up into contacts: the include check must refuse it.
#include "foundation/Settings.h"
#include "contacts/KontaktDaten.h"
